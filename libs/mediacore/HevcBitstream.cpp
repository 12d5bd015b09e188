#include "HevcBitstream.h"

namespace mediacore::hevc {

namespace {

constexpr int kHeaderSize = 22;

void appendU16(Bytes* out, size_t v) {
    out->push_back(uint8_t(v >> 8));
    out->push_back(uint8_t(v));
}

} // namespace

bool HvcConfig::parse(const uint8_t* data, int size) {
    if (!data || size < kHeaderSize + 1 || data[0] != 1)
        return false;
    header.assign(data, data + kHeaderSize);
    lengthSize = (data[21] & 3) + 1;
    arrays.clear();
    int pos = kHeaderSize;
    const int count = data[pos++];
    for (int a = 0; a < count; ++a) {
        if (pos + 3 > size)
            return false;
        Array array;
        array.type = data[pos] & 0x3f;
        const int units = data[pos + 1] << 8 | data[pos + 2];
        pos += 3;
        for (int u = 0; u < units; ++u) {
            if (pos + 2 > size)
                return false;
            const int n = data[pos] << 8 | data[pos + 1];
            pos += 2;
            if (n <= 0 || pos + n > size)
                return false;
            array.units.emplace_back(data + pos, data + pos + n);
            pos += n;
        }
        arrays.push_back(std::move(array));
    }
    return pos == size && lengthSize == 4;
}

Bytes HvcConfig::serialise() const {
    Bytes out = header;
    out.push_back(uint8_t(arrays.size()));
    for (const Array& a : arrays) {
        out.push_back(uint8_t(a.type & 0x3f)); // array_completeness 0
        appendU16(&out, a.units.size());
        for (const Bytes& u : a.units) {
            appendU16(&out, u.size());
            out.insert(out.end(), u.begin(), u.end());
        }
    }
    return out;
}

Bytes HvcConfig::parameterSets() const {
    Bytes out;
    for (const int type : {Vps, Sps, Pps})
        for (const Array& a : arrays)
            if (a.type == type)
                for (const Bytes& u : a.units)
                    avc::appendLengthPrefixed(&out, u.data(), int(u.size()), lengthSize);
    return out;
}

bool markBrokenLink(uint8_t* data, int size, int lengthSize) {
    bool marked = false;
    const auto mark = [&](const uint8_t* nal, int n) {
        if (n >= 2 && nalType(nal) == CleanRandomAccess) {
            uint8_t* header = data + (nal - data);
            header[0] = uint8_t((header[0] & 0x81) | BrokenLinkWithLeading << 1);
            marked = true;
        }
    };
    if (lengthSize > 0)
        avc::forEachNal(data, size, lengthSize, mark);
    else
        avc::forEachAnnexBNal(data, size, mark);
    return marked;
}

Bytes toLengthPrefixed(const uint8_t* data, int size, int lengthSize) {
    Bytes out;
    out.reserve(size_t(size) + 16);
    avc::forEachAnnexBNal(data, size, [&](const uint8_t* nal, int n) {
        if (n < 2 || nalType(nal) == PrefixSei || nalType(nal) == SuffixSei)
            return;
        avc::appendLengthPrefixed(&out, nal, n, lengthSize);
    });
    return out;
}

} // namespace mediacore::hevc
