#include "processing/TWorkspace.h"

#include <algorithm>

#include "core/Wave.h"
#include "platform/Messages.h"

namespace korvane {

void TUndoUnit::Restore() {
    std::swap(UnitWave->TheSound, TheSound);
    std::swap(UnitWave->FirstSel, FirstSel);
    std::swap(UnitWave->SecondSel, SecondSel);
    UnitWave->MarkChanged();
    if (UnitWave->Window) UnitWave->Window->Repaint();
}

TWorkspace::TWorkspace() { createSinus(); }

TWorkspace::~TWorkspace() {
    undo_.reset();
    units_.clear();
}

TUnitWave& TWorkspace::AddWave(std::unique_ptr<TUnitWave> unit) {
    TUnitWave& ref = *unit;
    units_.push_back(std::move(unit));
    return ref;
}

void TWorkspace::AddUnit(std::unique_ptr<TUnit> unit) { units_.push_back(std::move(unit)); }

void TWorkspace::Close(TUnit& unit) {
    if (undo_ && undo_->Unit == &unit) undo_.reset();
    units_.erase(std::remove_if(units_.begin(), units_.end(), [&](const auto& u) { return u.get() == &unit; }),
                 units_.end());
}

std::string TWorkspace::NextNewName() { return "NONAME" + std::to_string(++counter_); }

void TWorkspace::NoteName(const std::string& name) {
    if (name.size() <= 6 || name.compare(0, 6, "NONAME") != 0 || name.size() > 15) return;
    int number = 0;
    for (std::size_t i = 6; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9') return;
        number = number * 10 + (name[i] - '0');
    }
    if (number > counter_) counter_ = number;
}

bool TWorkspace::NameAvailable(const TUnit& unit, const std::string& name) const {
    if (name.empty()) return true;
    for (const auto& u : units_)
        if (u.get() != &unit && u->Name == name) return false;
    return true;
}

bool TWorkspace::SetName(TUnit& unit, const std::string& name) {
    if (!NameAvailable(unit, name)) {
        messages().show("Error", "A wave with name \"" + name + "\" already exists.", MessageIcon::Information);
        return false;
    }
    unit.Name = name;
    return true;
}

TUnitWave* TWorkspace::FindWave(const std::string& name) const {
    if (name.empty()) return nullptr;
    for (const auto& u : units_)
        if (u->Kind == unitKindWave && u->Name == name) return static_cast<TUnitWave*>(u.get());
    return nullptr;
}

void TWorkspace::NewUndo(TUnitWave& unit) {
    undo_.reset();
    undo_ = std::make_unique<TUndoUnit>(unit);
}

void TWorkspace::Undo() {
    if (undo_) undo_->Restore();
}

}  // namespace korvane
