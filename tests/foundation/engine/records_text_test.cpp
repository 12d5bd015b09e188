#include "mediacore/MediaRecords.h"

#include <gtest/gtest.h>

using mediarecords::readText;
using mediarecords::writeText;

TEST(RecordText, LongTextIsCutToTheFieldWithTerminator) {
    IMAGE_WATERMARK_PARAM p{};
    writeText(p.path, std::string(400, 'a'));
    EXPECT_EQ(readText(p.path).size(), 259u);
    EXPECT_EQ(p.path[259], '\0');
}

TEST(RecordText, CutNeverSplitsAUtf8Character) {
    TEXT_WATERMARK_PARAM p{};
    // 258 ASCII bytes then a three-byte character: it does not fit in 259 bytes whole.
    std::string text(258, 'x');
    text += "\xE6\x97\xA5";
    writeText(p.text, text);
    EXPECT_EQ(readText(p.text), std::string(258, 'x'));
    // A text that fits exactly stays whole.
    std::string fits(256, 'y');
    fits += "\xE6\x97\xA5"; // 259 bytes
    writeText(p.text, fits);
    EXPECT_EQ(readText(p.text), fits);
}

TEST(RecordText, ReadingAnUnterminatedFieldStopsAtItsEnd) {
    MEDIA_AUDIO_STREAM_INFO info;
    std::memset(&info, 'z', sizeof info);
    EXPECT_EQ(readText(info.codec).size(), sizeof info.codec);
}
