// What the index's reading and its keeping share inside libFfIndex.so.
#pragma once

namespace ff {

// Whether every reading of an index is to end now (the program is ending).
bool readingStopped();

} // namespace ff
