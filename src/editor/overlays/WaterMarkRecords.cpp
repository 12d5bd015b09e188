#include "editor/overlays/WaterMarkRecords.h"

#include "editor/overlays/TextPictureCache.h"
#include "foundation/helpers/HelpClass.h"
#include "foundation/records/SubtitleParam.h"
#include "foundation/records/WaterParam.h"
#include "mediacore/MediaCore.h"
#include "mediaplayer/LxMoviePlayer.h"
#include "platform/Log.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace overlays {

namespace {

int32_t truncated(double v) {
    if (!std::isfinite(v))
        return 0;
    return int32_t(std::clamp(v, double(std::numeric_limits<int32_t>::min()),
                              double(std::numeric_limits<int32_t>::max())));
}

int64_t micro(double seconds) {
    return std::isfinite(seconds) && seconds > 0 ? int64_t(seconds * 1000000.0) : 0;
}

void put(char (&field)[260], const QString& text) {
    mediarecords::writeText(field, text.toUtf8().toStdString());
}

} // namespace

RECT pictureRect(const NSRect& f, QSizeF picture) {
    const double W = picture.width(), H = picture.height();
    return RECT{truncated(f.x * W), truncated((1.0 - (f.y + f.height)) * H), truncated((f.x + f.width) * W),
                truncated((1.0 - f.y) * H)};
}

int64_t startUs(const WaterParam& m) {
    return micro(m.startTime);
}

int64_t endUs(const WaterParam& m) {
    return micro(double(float(m.startTime + m.duration)));
}

int textPixelSize(const WaterParam& m, QSizeF picture, double overlayWidth) {
    if (!(overlayWidth > 0))
        return truncated(m.waterFontSize);
    return truncated(picture.width() / overlayWidth * m.waterFontSize);
}

IMAGE_WATERMARK_PARAM imageRecord(const WaterParam& m, const QString& path, QSizeF picture) {
    IMAGE_WATERMARK_PARAM p;
    std::memset(&p, 0, sizeof p);
    put(p.path, path);
    p.rect = pictureRect(m.waterPercentClipRect, picture);
    p.transparence = truncated(m.waterAlph);
    p.start_time = startUs(m);
    p.end_time = endUs(m);
    return p;
}

VIDEO_WATERMARK_PARAM videoRecord(const WaterParam& m, QSizeF picture) {
    VIDEO_WATERMARK_PARAM p;
    std::memset(&p, 0, sizeof p);
    put(p.path, m.waterImagePath);
    p.rect = pictureRect(m.waterPercentClipRect, picture);
    p.start_time = startUs(m);
    p.end_time = endUs(m);
    p.file_start_time = micro(m.fileStartTime);
    p.file_end_time = micro(m.fileEndTime);
    p.transparence = truncated(m.waterAlph);
    return p;
}

TEXT_WATERMARK_PARAM textRecord(const WaterParam& m, QSizeF picture, double overlayWidth) {
    TEXT_WATERMARK_PARAM p;
    std::memset(&p, 0, sizeof p);
    put(p.text, m.waterText);
    const NSRect& f = m.waterPercentClipRect;
    const double W = picture.width(), H = picture.height();
    p.rect.left = truncated(f.x * W);
    p.rect.top = truncated(f.y * H);
    p.rect.right = truncated((f.x + f.width) * W);
    p.rect.bottom = truncated(p.rect.top + f.width * H);
    put(p.szFontName, m.waterFontName);
    p.fontsize = textPixelSize(m, picture, overlayWidth);
    p.fontclr =
        HelpClass::retDwordColorVolue(m.waterFontColor.isValid() ? m.waterFontColor : QColor(Qt::white));
    p.transparence = truncated(m.waterAlph);
    p.start_time = startUs(m);
    p.end_time = endUs(m);
    return p;
}

bool buildMarkRecords(const WaterList& list, QSizeF picture, double overlayWidth, int skipRow,
                      TextPictureCache* cache, MarkRecords* out, QString* error) {
    *out = {};
    for (size_t i = 0; i < list.size(); ++i) {
        WaterParam& m = *list[i];
        if (!m.selected || int(i) == skipRow)
            continue;
        if (m.waterType == WaterParam::kTypePicture && !m.waterImagePath.isEmpty()) {
            if (m.isVideo)
                out->videos.push_back(videoRecord(m, picture));
            else
                out->images.push_back(imageRecord(m, m.waterImagePath, picture));
        } else if (m.waterType == WaterParam::kTypeText && !m.waterText.trimmed().isEmpty()) {
            if (!m.waterFontColor.isValid())
                m.waterFontColor = Qt::white;
            if (!cache) {
                out->texts.push_back(textRecord(m, picture, overlayWidth));
                continue;
            }
            const RECT r = pictureRect(m.waterPercentClipRect, picture);
            TextPicture tp{m.waterText, m.waterFontName, double(textPixelSize(m, picture, overlayWidth)),
                           m.waterFontColor, QSize(r.right - r.left, r.bottom - r.top)};
            QString why;
            const QString path = cache->pathFor(list[i].get(), tp, &why);
            if (path.isEmpty()) {
                if (error)
                    *error = m.waterText + QStringLiteral(": ") + why;
                return false;
            }
            out->images.push_back(imageRecord(m, path, picture));
        }
    }
    return true;
}

namespace {

template <class T> bool sameBytes(const std::vector<T>& a, const std::vector<T>& b) {
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
}

} // namespace

bool sameRecords(const MarkRecords& a, const MarkRecords& b) {
    return sameBytes(a.images, b.images) && sameBytes(a.videos, b.videos) && sameBytes(a.texts, b.texts);
}

int sendToPlayer(LxMoviePlayer& player, const MarkRecords& r) {
    int refused = 0;
    player.ClearWatermask();
    for (const auto& p : r.videos)
        refused += player.AddVideoWatermask(p) == 1 ? 0 : 1;
    for (const auto& p : r.images)
        refused += player.AddImageWatermask(p) == 1 ? 0 : 1;
    for (const auto& p : r.texts)
        refused += player.AddTextWatermask(p) == 1 ? 0 : 1;
    if (refused)
        qCWarning(lcEditor) << "the preview refused" << refused << "watermark(s)";
    return refused;
}

int addToConvert(void* job, const MarkRecords& r) {
    for (const auto& p : r.videos)
        if (const int res = apiMediaConvertAddVideoWatermark(job, p); res < 1)
            return res;
    for (const auto& p : r.images)
        if (const int res = apiMediaConvertAddImageWatermask(job, p); res < 1)
            return res;
    for (const auto& p : r.texts)
        if (const int res = apiMediaConvertAddTextWatermask(job, p); res < 1)
            return res;
    return 1;
}

SUBTITLE_PARAM subtitleRecord(const SubtitleParam& s) {
    SUBTITLE_PARAM p;
    std::memset(&p, 0, sizeof p);
    put(p.path, s.subtitlePath);
    p.position = s.positon;
    put(p.fontFile, s.fontPath);
    p.fontSize = s.fontSize;
    p.shadow = s.shadow;
    p.fontColor = subtitleColourWord(s.fontColor);
    p.shadowColor = p.fontColor;
    return p;
}

uint32_t subtitleColourWord(const QColor& colour) {
    return HelpClass::retDwordColorVolue(colour.isValid() ? colour : QColor(Qt::white));
}

} // namespace overlays
