#pragma once

#include "catalogue/CatalogueEntry.h"

#include <string>

namespace kestrum {

// Reads what the catalogue keeps of the recording at `path` with the player's own reader: the
// export header, the header, the comments and the keywords, never the audio; one open and a few
// small reads. A link is not followed. A file that does not read gives an entry holding the
// reader's message (and the file's stamp, when it could be opened).
CatalogueEntry readCatalogueEntry(const std::string& path);

// Checks a stamped copy's three checksums and its audio count against its export header, and
// keeps the result in the entry. This reads the whole file. An entry without an export header, or
// one that did not read, is left as it is.
void verifyCatalogueEntry(CatalogueEntry& entry);

} // namespace kestrum
