#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "core/Sound.h"

namespace korvane {

class TCompoundPlayer;

// One note's sound as the result takes it: its channels at the result's
// frequency (one per result channel), with what the player said about it.
struct TMixedNote {
    std::unique_ptr<Sound> Made;  // null for silence
    WaveHandle Channels[2];       // views into Made, or conversions of it
    double Volume = 1;            // the player's volume factor
    double Start = 0;             // seconds of the sound before the note's onset
    std::size_t Bytes = 0;        // memory held by Made and the conversions
};

// Adds note sounds into a render's result.
//
// Notes that a player makes alike (the same player, period, length and tempo)
// share one sound: a piece plays the same few pitches over and over, and
// making a note's sound costs far more than adding it.
//
// Additions are held back and done in batches, the result cut into time
// slices, one per core; every slice adds the notes in the order they came, so
// each sample sees the same sums in the same order as one note after the
// other would give it. No slice needs a buffer of its own. The sounds held
// for pending notes and for sharing stay within a small part of the result.
class TNoteMixer {
public:
    TNoteMixer(Sound& result, bool& stop);
    ~TNoteMixer();

    struct Key {
        const TCompoundPlayer* Player;
        uint64_t Period, Length, Tempo;  // bit patterns
        bool operator==(const Key&) const = default;
    };
    static Key MakeKey(const TCompoundPlayer* player, double period, double length, double tempo) {
        return {player, std::bit_cast<uint64_t>(period), std::bit_cast<uint64_t>(length),
                std::bit_cast<uint64_t>(tempo)};
    }

    // The shared sound of `key`, or null when it was not made yet (or was
    // let go to keep memory low).
    std::shared_ptr<const TMixedNote> Find(const Key& key) const;
    // Keeps a newly made sound for `key` (null for silence); null with the
    // stop flag set when memory is short.
    std::shared_ptr<const TMixedNote> Keep(const Key& key, std::unique_ptr<Sound> made, double volume, double start);
    // The note's sound scaled by `factor`, added from sample `position` of
    // the result on (what lies past the result's end is left out). False
    // when the stop flag is set.
    bool Add(std::shared_ptr<const TMixedNote> note, int32_t position, double factor);
    // Does every pending addition. False when the stop flag is set.
    bool Flush();

    // The number of worker threads a batch uses; 0 asks for one per core.
    void SetThreads(int threads) { threads_ = threads; }

private:
    struct KeyHash {
        std::size_t operator()(const Key& k) const;
    };
    struct Pending {
        std::shared_ptr<const TMixedNote> Note;
        int32_t Position;
        double Factor;
    };

    void AddSlice(int64_t begin, int64_t end, bool& stop) const;

    Sound& result_;
    bool& stop_;
    int threads_ = 0;
    std::size_t budget_;
    std::size_t held_ = 0;
    std::unordered_map<Key, std::shared_ptr<const TMixedNote>, KeyHash> shared_;
    std::vector<Pending> pending_;
};

}  // namespace korvane
