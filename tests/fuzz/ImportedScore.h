#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "interchange/InterchangeReport.h"
#include "interchange/MidiWrite.h"
#include "interchange/MusicXmlWrite.h"
#include "musicfile/MuzFile.h"

// What every imported score must do: save as a music file that reads back and
// saves again to the same bytes, and export to MusicXML and MIDI without
// fault. Scores of more than 20,000 symbols are left to the tests: a few
// notes far apart make a million rests, whose writing alone costs seconds
// under the sanitizers and finds nothing the small ones do not.
inline void CheckImportedScore(korvane::TUnitMuz& doc, const char* what) {
    size_t symbols = 0;
    for (korvane::TSinglePartMuz* part = doc.FirstSinglePart(); part; part = doc.NextSinglePart(part))
        for (korvane::TStaveSymbol* s = part->GetFirstSymbol(); s && symbols <= 20000; s = s->Next) ++symbols;
    if (symbols > 20000) return;
    std::string text, message;
    if (!korvane::MuzText(doc, text, message)) std::abort();
    {
        korvane::TUnitMuz again;
        std::string second;
        if (!korvane::ReadMuzText(again, text, message)) {
            std::fprintf(stderr, "imported %s does not read: %s\n%s", what, message.c_str(), text.c_str());
            std::abort();
        }
        if (!korvane::MuzText(again, second, message) || second != text) {
            std::fprintf(stderr, "imported %s reads back otherwise:\n%s\n----\n%s", what, text.c_str(),
                         second.c_str());
            std::abort();
        }
    }
    korvane::TInterchangeReport report;
    std::string error, midi;
    korvane::WriteMusicXml(doc, report);
    korvane::WriteMidi(doc, 0, midi, report, error);
}
