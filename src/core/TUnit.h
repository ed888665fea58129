#pragma once

#include <cstdint>
#include <string>

#include "core/WavFile.h"

namespace korvane {

enum TUnitKind : uint8_t { unitKindWave = 1, unitKindMuz = 2 };
enum TUnitState : uint8_t { unitStateNew = 0, unitStateSaved = 1, unitStateChanged = 2 };

// The base of every document: a unique name, the file it belongs to and
// whether it differs from that file.
class TUnit {
public:
    std::string Name;
    uint8_t Kind;
    std::string FileName;
    uint8_t State = unitStateNew;

    explicit TUnit(uint8_t kind) : Kind(kind), Serial(NextSerial()) {}
    TUnit(const TUnit&) = delete;
    TUnit& operator=(const TUnit&) = delete;
    virtual ~TUnit() = default;

    virtual bool NeedsSaving() const { return State != unitStateSaved; }
    virtual int32_t GetFreq() const = 0;
    virtual int16_t GetMoSt() const = 0;
    virtual int16_t GetBytesPSample() const = 0;
    virtual void ChangeProperties(const WaveFileProps& oldProps, const WaveFileProps& newProps) = 0;

    // Every change of the document's content marks it, so the count also
    // tells whoever keeps a copy (the recovery journal) that it is stale.
    void MarkChanged() {
        ++Revision;
        if (State == unitStateSaved) State = unitStateChanged;
    }
    uint64_t Revision = 0;
    // What the change the history records next is called ("Low Filter",
    // "Note added"): set by whoever changes the document, taken by the
    // history when it records the change.
    std::string EditName;
    // Tells documents apart for the whole run, where an address may be reused.
    const uint64_t Serial;
    void MarkSaved() { State = unitStateSaved; }
    void MarkNew() { State = unitStateNew; }
    void SetFileName(const std::string& fileName) {
        FileName = fileName;
        MarkSaved();
    }
    bool HasNoFile() const { return State == unitStateNew; }
    // The state panel of the status bar.
    std::string StateText() const;

private:
    static uint64_t NextSerial();
};

}  // namespace korvane
