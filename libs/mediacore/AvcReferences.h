// Which pictures of an H.264 group must be decoded for some of its pictures to come out exact.
//
// Before a cut, a group is decoded from its IDR picture only for the few pictures after the
// cut (or before the end) that are re-encoded. Of the reference pictures before them, many are
// referred to by nothing those pictures need: with a pyramid of B-frames, the middle B-frame of
// each earlier run serves only its own run. The reference lists of every picture are rebuilt as
// the decoder builds them (its short-term pictures, newest first, the sliding window and the
// unmarking the stream asks for), and the pictures that the wanted ones refer to, even through
// others, are the ones to decode. The others still reach the decoder, as stand-ins that keep its
// reference pictures as they would be (avc::standIn), at a fraction of the decoding.
//
// Ownership: plain values. Threading: no shared state.
#pragma once

#include <vector>

#include "AvcHeaders.h"

namespace mediacore::avc {

// `group`: the pictures in decoding order, the first an IDR picture; `wanted`: those that must
// come out exact. Which to decode (the wanted ones among them); empty when that cannot be told
// (streams with fields, frame number gaps or other order counts than type 0), and then every
// reference picture and every wanted one is decoded.
std::vector<bool> picturesToDecode(const std::vector<const PictureHeader*>& group,
                                   const std::vector<bool>& wanted);

} // namespace mediacore::avc
