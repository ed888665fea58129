#pragma once

#include <string>
#include <vector>

namespace korvane {

// What a music format could not say, one kind per line with its count:
// "approximated: 12 notes moved by more than 1/128 to the grid",
// "dropped: 3 dynamics". Kinds keep the order in which they first came up.
class TInterchangeReport {
public:
    // `one` and `many` are the kind's words for one and for several.
    void Approximated(const std::string& one, const std::string& many, long count = 1);
    void Dropped(const std::string& one, const std::string& many, long count = 1);

    std::vector<std::string> Lines() const;
    bool Empty() const { return kinds_.empty(); }
    // The count of a kind (its "many" words), 0 when it never came up.
    long Count(const std::string& many) const;

private:
    struct Kind {
        bool dropped;
        std::string one, many;
        long count;
    };
    std::vector<Kind> kinds_;
    void add(bool dropped, const std::string& one, const std::string& many, long count);
};

}  // namespace korvane
