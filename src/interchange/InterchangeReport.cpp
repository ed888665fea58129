#include "interchange/InterchangeReport.h"

namespace korvane {

void TInterchangeReport::add(bool dropped, const std::string& one, const std::string& many, long count) {
    if (count <= 0) return;
    for (Kind& k : kinds_)
        if (k.dropped == dropped && k.many == many) {
            k.count += count;
            return;
        }
    kinds_.push_back({dropped, one, many, count});
}

void TInterchangeReport::Approximated(const std::string& one, const std::string& many, long count) {
    add(false, one, many, count);
}

void TInterchangeReport::Dropped(const std::string& one, const std::string& many, long count) {
    add(true, one, many, count);
}

std::vector<std::string> TInterchangeReport::Lines() const {
    std::vector<std::string> lines;
    for (const Kind& k : kinds_)
        lines.push_back(std::string(k.dropped ? "dropped: " : "approximated: ") + std::to_string(k.count) + " " +
                        (k.count == 1 ? k.one : k.many));
    return lines;
}

long TInterchangeReport::Count(const std::string& many) const {
    long n = 0;
    for (const Kind& k : kinds_)
        if (k.many == many) n += k.count;
    return n;
}

}  // namespace korvane
