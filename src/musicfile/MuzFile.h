#pragma once

#include <memory>
#include <string>

#include "music/TUnitMuz.h"
#include "musicfile/XmlLayer.h"

namespace korvane {

// The content models of the two file versions; the document element is
// "UnitMuz".
const TDTDItem& MuzModel71();
const TDTDItem& MuzModel70();

// The element tree of a document as version 7.1 writes it.
std::unique_ptr<TXMLCompound> MuzToXML(TUnitMuz& unitMuz);
bool SaveMuz(TUnitMuz& unitMuz, const std::string& path, std::string& message);
// The bytes SaveMuz writes.
bool MuzText(TUnitMuz& unitMuz, std::string& text, std::string& message);
// Save and Save As of a music window: a failure shows "Cannot save Music: "
// and the writer's message in a "FileError" box.
bool SaveMuzShowing(TUnitMuz& unitMuz, const std::string& path);

// The position a music file gives back for a symbol at `position`: the file
// holds positions to seven significant digits, so far into a long part two
// nearby places become one. Whoever builds a document that must save and
// read back as it is (an import, say) places its symbols here.
double PositionAsStored(double position);

// Reads a 7.0 or 7.1 file into a fresh document. On failure the message says
// why and the document is half built: the caller discards it.
bool OpenMuz(TUnitMuz& unitMuz, const std::string& path, std::string& message);
bool ReadMuzText(TUnitMuz& unitMuz, const std::string& fileText, std::string& message);
// Builds a fresh document from the element tree of `source`.
bool DuplicateMuz(TUnitMuz& source, TUnitMuz& target, std::string& message);

}  // namespace korvane
