#include "AvcBitstream.h"

#include "BitReader.h"

namespace mediacore::avc {

namespace {

int readU16(const uint8_t* p) {
    return p[0] << 8 | p[1];
}

void appendU16(Bytes* out, size_t v) {
    out->push_back(uint8_t(v >> 8));
    out->push_back(uint8_t(v));
}

} // namespace

bool AvcConfig::parse(const uint8_t* data, int size) {
    if (!data || size < 7 || data[0] != 1)
        return false;
    profile = data[1];
    compatibility = data[2];
    level = data[3];
    lengthSize = (data[4] & 3) + 1;
    sps.clear();
    pps.clear();
    int pos = 5;
    const auto readSets = [&](int count, std::vector<Bytes>* into) {
        for (int i = 0; i < count; ++i) {
            if (pos + 2 > size)
                return false;
            const int n = readU16(data + pos);
            pos += 2;
            if (n <= 0 || pos + n > size)
                return false;
            into->emplace_back(data + pos, data + pos + n);
            pos += n;
        }
        return true;
    };
    if (!readSets(data[pos++] & 0x1f, &sps) || pos >= size || !readSets(data[pos++], &pps))
        return false;
    trailer.assign(data + pos, data + size);
    return !sps.empty() && !pps.empty();
}

Bytes AvcConfig::serialise() const {
    Bytes out{1, profile, compatibility, level, uint8_t(0xfc | (lengthSize - 1)), uint8_t(0xe0 | sps.size())};
    for (const Bytes& s : sps) {
        appendU16(&out, s.size());
        out.insert(out.end(), s.begin(), s.end());
    }
    out.push_back(uint8_t(pps.size()));
    for (const Bytes& p : pps) {
        appendU16(&out, p.size());
        out.insert(out.end(), p.begin(), p.end());
    }
    out.insert(out.end(), trailer.begin(), trailer.end());
    return out;
}

bool forEachNal(const uint8_t* data, int size, int lengthSize,
                const std::function<void(const uint8_t*, int)>& visit) {
    int pos = 0;
    while (pos + lengthSize <= size) {
        int64_t n = 0;
        for (int i = 0; i < lengthSize; ++i)
            n = n << 8 | data[pos + i];
        pos += lengthSize;
        if (n <= 0 || pos + n > size)
            return false;
        visit(data + pos, int(n));
        pos += int(n);
    }
    return pos == size;
}

void forEachAnnexBNal(const uint8_t* data, int size, const std::function<void(const uint8_t*, int)>& visit) {
    // Positions just after each start code (00 00 01; a leading zero of 00 00 00 01 ends the
    // previous unit and is trimmed with its trailing zeros).
    std::vector<int> starts;
    for (int i = 0; i + 2 < size; ++i) {
        if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1) {
            starts.push_back(i + 3);
            i += 2;
        }
    }
    for (size_t k = 0; k < starts.size(); ++k) {
        int end = k + 1 < starts.size() ? starts[k + 1] - 3 : size;
        while (end > starts[k] && data[end - 1] == 0)
            --end;
        if (end > starts[k])
            visit(data + starts[k], end - starts[k]);
    }
}

int parameterSetId(const uint8_t* nal, int size) {
    if (size < 2)
        return -1;
    if (nalType(nal) == Sps) {
        // profile_idc, constraint flags and level_idc come before the id.
        BitReader r(nal + 1, size - 1);
        r.skip(24);
        return r.ue();
    }
    if (nalType(nal) == Pps) {
        BitReader r(nal + 1, size - 1);
        return r.ue();
    }
    return -1;
}

void appendLengthPrefixed(Bytes* out, const uint8_t* nal, int size, int lengthSize) {
    for (int i = lengthSize - 1; i >= 0; --i)
        out->push_back(uint8_t(uint32_t(size) >> (8 * i)));
    out->insert(out->end(), nal, nal + size);
}

Bytes toLengthPrefixed(const uint8_t* data, int size, int lengthSize) {
    Bytes out;
    out.reserve(size_t(size) + 16);
    forEachAnnexBNal(data, size, [&](const uint8_t* nal, int n) {
        if (nalType(nal) != Sei)
            appendLengthPrefixed(&out, nal, n, lengthSize);
    });
    return out;
}

} // namespace mediacore::avc
