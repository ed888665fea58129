#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/Sound.h"
#include "core/WavFile.h"
#include "core/TUnit.h"
#include "processing/WaveRecords.h"

namespace korvane {

// What a wave window wants to hear from its document, so that it redraws only
// what changed. Every call has a default that does nothing.
class TWaveWindowLink {
public:
    virtual ~TWaveWindowLink() = default;
    virtual void RangeAboutToChange(int32_t /*begin*/, int32_t /*end*/) {}
    // The selection went from [oldBegin, oldEnd) to [newBegin, newEnd).
    virtual void SelectionChanged(int32_t /*oldBegin*/, int32_t /*oldEnd*/, int32_t /*newBegin*/, int32_t /*newEnd*/) {}
    virtual void ChannelsChanged(int /*channels*/) {}
    virtual void Repaint() {}
};

enum class MixAlign { Begin, End, Stretch };

// A wave document: a named sound with its file, save state, selection,
// failure flag and the settings last confirmed in every dialog.
class TUnitWave : public TUnit {
public:
    TWaveWindowLink* Window = nullptr;
    // Shared with the undo step, which keeps the sound of before a command.
    std::shared_ptr<Sound> TheSound;
    int32_t FirstSel = 0;   // the end that moves
    int32_t SecondSel = 0;  // the other end
    bool Failed = false;    // set by a failed allocation, never reset
    TWaveRecords Records;   // the values last confirmed in each dialog for this document

    // An empty sound of the record's format; state "New".
    TUnitWave(const WaveFileProps& props, const std::string& fileName);
    // Takes the sound; state saved.
    TUnitWave(std::unique_ptr<Sound> sound, const std::string& fileName);

    bool NeedsSaving() const override;
    bool SaveAs(const std::string& fileName, bool temporary);
    bool Save(bool temporary) { return SaveAs(FileName, temporary); }
    int32_t GetFreq() const override;
    int16_t GetMoSt() const override;
    int16_t GetBytesPSample() const override;
    void ChangeProperties(const WaveFileProps& oldProps, const WaveFileProps& newProps) override;
    WaveFileProps GetProps() const;

    int32_t GetValues() const { return TheSound->GetValues(); }
    bool HasSamples() const { return GetValues() > 0; }
    // The selection length in seconds; the whole sound when nothing is selected.
    double SelectionSeconds() const;
    std::shared_ptr<Sound> ExchangeSound(std::shared_ptr<Sound> sound);

    // Selection. Positions are limited to 0 .. GetValues first.
    int32_t SelBegin() const { return FirstSel < SecondSel ? FirstSel : SecondSel; }
    int32_t SelEnd() const { return FirstSel < SecondSel ? SecondSel : FirstSel; }
    bool HasSelection() const { return FirstSel != SecondSel; }
    void SetCursor(int32_t position);
    void SetFirstEnd(int32_t position);
    void SetSecondEnd(int32_t position);
    void SetRange(int32_t begin, int32_t end);
    // The selection, or the whole sound when it is empty.
    void EditRange(int32_t& begin, int32_t& end) const;
    // The selection; an empty one is an insertion point.
    void InsertRange(int32_t& begin, int32_t& end) const;

    // Runs one sound operation on the edit or insert range and installs its
    // result: the document keeps its sound when the flag is set. `op` gets the
    // range and reports the range of the new material. Returns false when the
    // operation failed. The selection becomes that range (a cursor when empty).
    using SoundOp = std::function<std::unique_ptr<Sound>(bool& failed, const Sound& sound, int32_t& begin,
                                                         int32_t& end)>;
    bool RunOnEditRange(const SoundOp& op);
    bool RunOnInsertRange(const SoundOp& op);

    // Edit commands. The clipboard belongs to the caller (the main window).
    bool EditDelete();
    bool EditTrim();
    bool EditCopy(std::unique_ptr<Sound>& clipboard);
    bool EditCut(std::unique_ptr<Sound>& clipboard);
    bool EditPaste(const Sound& clipboard);
    bool EditSwap(std::unique_ptr<Sound>& clipboard);
    bool EditExtract(std::unique_ptr<Sound>& clipboard);
    bool EditMix(const Sound& clipboard, MixAlign align);

    // Status bar texts of the document.
    std::string DurationText() const;
    std::string FrequencyText() const;
    std::string BitsText() const;
    std::string ChannelsText() const;
    std::string SizeText() const;

private:
    bool Run(bool insert, const SoundOp& op);
    void Install(std::unique_ptr<Sound> sound);
    void ChangeSelection(int32_t first, int32_t second);
    int32_t Limit(int32_t position) const;
};

}  // namespace korvane
