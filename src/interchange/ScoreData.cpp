#include "interchange/ScoreData.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

namespace korvane {

std::array<uint8_t, 7> ScaleOfFifths(int8_t keyKind, int fifths) {
    std::array<uint8_t, 7> scale;
    scale.fill(noteShiftNormal);
    const int k = keyKind / 6;
    for (int i = 0; i < std::min(std::abs(fifths), 7); ++i) {
        if (fifths > 0)
            scale[((k + 4 * i + 3) % 7 + 7) % 7] = noteShiftKruis;
        else
            scale[((k + 3 * i + 6) % 7 + 7) % 7] = noteShiftMol;
    }
    return scale;
}

bool StandardLength(double wholeNotes, int& lengthKind, int& points) {
    for (int l = 1; l <= 64; l *= 2)
        for (int p = 0; p <= 3; ++p) {
            const double value = (2.0 - std::ldexp(1.0, -p)) / l;
            if (std::fabs(value - wholeNotes) < 1e-9) {
                lengthKind = l;
                points = p;
                return true;
            }
        }
    return false;
}

namespace {

bool validLength(const TXLength& s) {
    if (!IsNoteLengthKind(s.Length) || s.Points < 0 || s.Points > 3) return false;
    if (s.MultiOol < sool || s.MultiOol > kwintool || s.PosInOol < 0 || s.PosInOol >= s.MultiOol) return false;
    if (s.Points == 0 && (s.MultiOol == duool || s.MultiOol == kwartool)) return false;
    if (s.MultiOol == kwintool && s.Length > 16) return false;
    if (s.MultiOol != sool && s.Length > 32) return false;
    return std::isfinite(s.Position) && s.Position >= 0 && s.Position < 1e9;
}

class Builder {
public:
    Builder(const TXScore& score, TUnitMuz& doc, TInterchangeReport& report)
        : score_(score), doc_(doc), report_(report) {}

    bool Build(std::string& error) {
        if (score_.Staves.empty()) {
            error = "The score has no parts.";
            return false;
        }
        if (std::isfinite(score_.Tempo) && score_.Tempo > 0 && score_.Tempo < 1e6)
            doc_.Tempo = unitTimePosMore(score_.Tempo, ucSecond);
        else
            report_.Approximated("tempo out of range", "tempos out of range");
        for (const TXStave& x : score_.Staves) {
            auto stave = std::make_unique<TNoteStave>(&doc_, 0, 0xFFFFFF, 80, 80, AllowJoinFlags, false, false);
            TNoteStave* s = doc_.AppendStave(std::move(stave));
            std::vector<TNoteGroup*> groups;
            for (const TXGroup& g : x.Groups) groups.push_back(addGroup(*s, g));
            if (groups.empty()) groups.push_back(addGroup(*s, TXGroup{}));
            s->SelectedNoteGroup = s->DialogNoteGroup = s->GetStartNoteGroup();
            staves_.push_back(s);
            groups_.push_back(groups);
        }
        used_.assign(score_.Parts.size(), false);
        std::unique_ptr<TPartMuz> top = node(score_.Root);
        // Parts the tree does not name follow at the end.
        for (size_t i = 0; i < score_.Parts.size(); ++i)
            if (!used_[i]) top = join(std::move(top), single(static_cast<int>(i)));
        if (!top) top = single(-1);
        doc_.GetStartPart()->SetPartMuz(std::move(top));
        fill();
        report_.Dropped("note outside the pitch range", "notes outside the pitch range", outside_);
        report_.Dropped("note that clashes with a chord", "notes that clash with a chord", clashes_);
        report_.Dropped("symbol of a length the score cannot hold", "symbols of lengths the score cannot hold",
                        badLengths_);
        doc_.CurrentStave = doc_.GetFirstStave();
        doc_.SetSelectedSymbol(doc_.FirstSinglePart()->GetFirstSymbol());
        return true;
    }

private:
    const TXScore& score_;
    TUnitMuz& doc_;
    TInterchangeReport& report_;
    std::vector<TNoteStave*> staves_;
    std::vector<std::vector<TNoteGroup*>> groups_;
    std::vector<bool> used_;
    std::vector<std::pair<TSinglePartMuz*, int>> singles_;
    long outside_ = 0, clashes_ = 0, badLengths_ = 0;

    TNoteGroup* addGroup(TNoteStave& stave, const TXGroup& g) {
        auto group = MakeDefaultNoteGroup(&doc_, &stave);
        group->NoteColor = g.Colour & 0xFFFFFF;
        group->NoteShape = g.Shape == noteShapeRectangle ? noteShapeRectangle : noteShapeNormal;
        group->StickDirection = g.Stick <= noteStickGroup ? g.Stick : static_cast<uint8_t>(noteStickGroup);
        TNoteGroup* raw = group.get();
        stave.AppendNoteGroup(std::move(group));
        return raw;
    }

    std::unique_ptr<TPartMuz> join(std::unique_ptr<TPartMuz> a, std::unique_ptr<TPartMuz> b) {
        if (!a) return b;
        if (!b) return a;
        return std::make_unique<TConcatPartMuz>(&doc_, std::move(a), std::move(b));
    }

    std::unique_ptr<TPartMuz> single(int index) {
        auto part = std::make_unique<TSinglePartMuz>(&doc_);
        int length = 4, count = 4, extra = 0;
        if (index >= 0) {
            const TXPart& x = score_.Parts[static_cast<size_t>(index)];
            used_[static_cast<size_t>(index)] = true;
            if (IsNoteLengthKind(x.NoteLength) && x.CountNotes >= 1 && x.CountNotes <= 1000 && x.ExtraCount >= 0 &&
                x.ExtraCount < x.CountNotes) {
                length = x.NoteLength;
                count = x.CountNotes;
                extra = x.ExtraCount;
            } else {
                report_.Approximated("bar the score cannot hold, made 4/4", "bars the score cannot hold, made 4/4");
            }
        }
        new TMuzBar(part.get(), static_cast<int8_t>(length), count, extra);  // the part owns its bar
        singles_.push_back({part.get(), index});
        return part;
    }

    std::unique_ptr<TPartMuz> node(const TXNode& x) {
        switch (x.NodeKind) {
            case TXNode::single:
                if (x.Part < 0 || x.Part >= static_cast<int>(score_.Parts.size()) || used_[x.Part]) return nullptr;
                return single(x.Part);
            case TXNode::sequence: {
                // Right-nested: a, (b, (c, d)).
                std::unique_ptr<TPartMuz> result;
                for (auto it = x.Children.rbegin(); it != x.Children.rend(); ++it) {
                    auto child = node(*it);
                    if (child) result = result ? join(std::move(child), std::move(result)) : std::move(child);
                }
                return result;
            }
            case TXNode::loop: {
                TXNode body = x;
                body.NodeKind = TXNode::sequence;
                auto child = node(body);
                if (!child) return nullptr;
                return std::make_unique<TLoopPartMuz>(&doc_, std::move(child), std::clamp(x.Count, 1, 1000000));
            }
            case TXNode::select: {
                TXNode body = x;
                body.NodeKind = TXNode::sequence;
                auto child = node(body);
                if (!child) return nullptr;
                auto select = std::make_unique<TSelectPartMuz>(&doc_, std::move(child));
                for (const auto& [count, pitch] : x.Turns)
                    if (count >= 1 && count <= 1000000 && select->CountTurns(count) == 0)
                        select->AppendTurn(count, std::clamp(pitch, -1000, 1000));
                return select;
            }
        }
        return nullptr;
    }

    void fill() {
        for (auto& [part, index] : singles_) {
            part->BeginBulkInsert();
            for (size_t s = 0; s < staves_.size(); ++s) {
                const TXStaveInPart* x = nullptr;
                if (index >= 0 && s < score_.Parts[static_cast<size_t>(index)].Staves.size())
                    x = &score_.Parts[static_cast<size_t>(index)].Staves[s];
                fillStave(*part, s, x);
            }
            part->EndBulkInsert();
        }
    }

    void fillStave(TSinglePartMuz& part, size_t s, const TXStaveInPart* x) {
        TNoteStave* stave = staves_[s];
        std::vector<TXKey> keys = x ? x->Keys : std::vector<TXKey>{};
        std::stable_sort(keys.begin(), keys.end(), [](const TXKey& a, const TXKey& b) { return a.Position < b.Position; });
        if (keys.empty() || keys.front().Position > 0) keys.insert(keys.begin(), TXKey{});
        int number = 0;
        for (const TXKey& k : keys) {
            if (!std::isfinite(k.Position) || k.Position < 0) continue;
            const int8_t kind = k.Kind == TKey::keyKindC || k.Kind == TKey::keyKindF ? k.Kind : static_cast<int8_t>(TKey::keyKindG);
            auto key = std::make_unique<TKey>(&doc_, kind, std::clamp(k.Octaves, -2, 2), k.Position, stave, ++number,
                                              &part);
            for (int h = 0; h < 7; ++h) {
                const uint8_t shift = k.Scale[h];
                if (shift == noteShiftKruis || shift == noteShiftMol) key->SetNoteShift(h, shift);
            }
            part.InsertSorted(std::move(key));
        }
        if (!x) return;
        for (const TXLength& r : x->Silences) {
            if (!validLength(r)) {
                ++badLengths_;
                continue;
            }
            part.InsertSorted(std::make_unique<TSilence>(stave, r.Position, &part, static_cast<int8_t>(r.Length),
                                                         r.Points, static_cast<uint8_t>(r.MultiOol), r.PosInOol));
        }
        // Notes of one chord with one stick must agree on their length and
        // articulation; a note that does not is left out.
        using ChordKey = std::tuple<double, int, int>;
        std::map<ChordKey, std::tuple<int, int, int, int>> heads;
        const auto& groups = groups_[s];
        for (const TXNote& n : x->Notes) {
            if (!validLength(n)) {
                ++badLengths_;
                continue;
            }
            if (n.Pitch < -43 || n.Pitch > 43) {
                ++outside_;
                continue;
            }
            TNoteGroup* group = groups[n.Group >= 0 && n.Group < static_cast<int>(groups.size()) ? n.Group : 0];
            const uint8_t art = n.Art <= noteArtLegato ? n.Art : static_cast<uint8_t>(noteArtNormal);
            uint8_t stick = n.Stick <= noteStickGroup ? n.Stick : static_cast<uint8_t>(noteStickGroup);
            const auto head = std::make_tuple(n.Length, n.Points, n.MultiOol, static_cast<int>(art));
            auto fits = [&](uint8_t s) {
                uint8_t effective = s == noteStickGroup ? group->StickDirection : s;
                if (effective > noteStickGroup) effective = noteStickGroup;
                const auto [it, fresh] = heads.try_emplace(ChordKey{n.Position, n.PosInOol, effective}, head);
                return fresh || it->second == head;
            };
            // A note of another length at a chord's place gets a stem of its own
            // (as notation writes two voices on one stave) where one is free.
            if (!fits(stick)) {
                if (fits(noteStickUp))
                    stick = noteStickUp;
                else if (fits(noteStickDown))
                    stick = noteStickDown;
                else {
                    ++clashes_;
                    continue;
                }
            }
            const uint8_t shift = n.Shift <= noteShiftDoubleMol ? n.Shift : static_cast<uint8_t>(noteShiftNormal);
            part.InsertSorted(std::make_unique<TMuzNote>(group, &doc_, stave, n.Position, &part,
                                                         static_cast<int8_t>(n.Length), n.Points,
                                                         static_cast<uint8_t>(n.MultiOol), n.PosInOol, n.Pitch, shift,
                                                         art, stick));
        }
    }
};

}  // namespace

bool BuildMuz(const TXScore& score, TUnitMuz& unitMuz, TInterchangeReport& report, std::string& error) {
    Builder builder(score, unitMuz, report);
    return builder.Build(error);
}

}  // namespace korvane
