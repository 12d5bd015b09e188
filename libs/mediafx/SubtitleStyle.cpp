#include "SubtitleStyle.h"

#include "SubtitleFile.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#ifdef MEDIAFX_HAVE_FONTCONFIG
#include <fontconfig/fontconfig.h>
// (after fontconfig.h, which it builds on)
#include <fontconfig/fcfreetype.h>
#endif

namespace mediafx {

namespace {

std::string lowerExtension(const std::string& path) {
    const size_t dot = path.find_last_of('.');
    const size_t slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return ext;
}

// force_style is a comma-separated list of key=value pairs: keep those characters out of values.
std::string styleValue(std::string text) {
    text.erase(
        std::remove_if(text.begin(), text.end(), [](char c) { return c == ',' || c == '=' || c == '\n'; }),
        text.end());
    return text;
}

} // namespace

std::string assColour(uint32_t word) {
    const unsigned r = (word >> 24) & 0xFF, g = (word >> 16) & 0xFF, b = (word >> 8) & 0xFF;
    char text[16];
    std::snprintf(text, sizeof text, "&H00%02X%02X%02X", b, g, r);
    return text;
}

FontFace fontFace(const std::string& fontFile) {
    FontFace face;
#ifdef MEDIAFX_HAVE_FONTCONFIG
    if (fontFile.empty())
        return face;
    int count = 0;
    FcPattern* pattern =
        FcFreeTypeQuery(reinterpret_cast<const FcChar8*>(fontFile.c_str()), 0, nullptr, &count);
    if (!pattern)
        return face;
    FcChar8* family = nullptr;
    if (FcPatternGetString(pattern, FC_FAMILY, 0, &family) == FcResultMatch && family)
        face.family = reinterpret_cast<const char*>(family);
    int weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
    FcPatternGetInteger(pattern, FC_WEIGHT, 0, &weight);
    FcPatternGetInteger(pattern, FC_SLANT, 0, &slant);
    face.bold = weight >= FC_WEIGHT_DEMIBOLD;
    face.italic = slant != FC_SLANT_ROMAN;
    FcPatternDestroy(pattern);
#else
    (void)fontFile;
#endif
    return face;
}

std::string fontFamily(const std::string& fontFile) {
    return fontFace(fontFile).family;
}

SubtitleOptions subtitleOptions(const SUBTITLE_PARAM& param, int width, int height) {
    SubtitleOptions o;
    o.filename = mediarecords::readText(param.path);
    const std::string ext = lowerExtension(o.filename);
    // A script is drawn from a copy held to bounds when it asks for more than they allow.
    o.filename = drawablePath(o.filename);
    const std::string fontFile = mediarecords::readText(param.fontFile);
    if (!fontFile.empty()) {
        const size_t slash = fontFile.find_last_of('/');
        if (slash != std::string::npos)
            o.fontsDir = fontFile.substr(0, slash);
    }
    if (ext == "ass" || ext == "ssa")
        return o;

    const int size = param.fontSize > 0 ? param.fontSize : 30;
    std::string style = "PlayResX=" + std::to_string(width) + ",PlayResY=" + std::to_string(height);
    // The subtitle renderer finds fonts by family name: the chosen file's weight and slant
    // pick the face within its family (a bold file would otherwise draw as the regular one).
    const FontFace face = fontFace(fontFile);
    const std::string family = styleValue(face.family);
    if (!family.empty())
        style += ",FontName=" + family + ",Bold=" + (face.bold ? "1" : "0") +
                 ",Italic=" + (face.italic ? "1" : "0");
    style += ",FontSize=" + std::to_string(size);
    style += ",PrimaryColour=" + assColour(param.fontColor);
    style += ",BorderStyle=1,Outline=1,OutlineColour=&H80000000";
    // The program passes the text colour as the shadow colour too; a shadow in the text's own
    // colour would not read as a shadow, so it is drawn half-transparent black.
    style += param.shadow ? ",Shadow=2,BackColour=&H80000000" : ",Shadow=0";
    const int marginV =
        param.position >= 0 ? std::min(param.position, std::max(0, height - size)) : std::max(4, height / 20);
    style += ",Alignment=2,MarginV=" + std::to_string(marginV);
    o.forceStyle = style;
    return o;
}

} // namespace mediafx
