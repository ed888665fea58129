#pragma once

#include <QAction>
#include <gtest/gtest.h>
#include <memory>

#include "ShellApp.h"
#include "TestSupport.h"
#include "shell/Main.h"

namespace korvane::testing {

// A main window of each test's own, shown offscreen, its dialogs answered
// by a script.
class MainFormFixture : public CoreFixture {
protected:
    void SetUp() override {
        CoreFixture::SetUp();
        ShellApp();
        form = std::make_unique<TMainForm>();
        auto r = std::make_unique<ScriptedRunner>();
        runner = r.get();
        form->SetDialogRunner(std::move(r));
        form->show();
    }
    void TearDown() override {
        form.reset();
        CoreFixture::TearDown();
    }
    // Triggers an action that must be enabled, with the update rule run
    // before and after as the event loop would.
    void trigger(const char* name) {
        form->UpdateActions();
        QAction* a = form->Action(name);
        ASSERT_TRUE(a && a->isEnabled()) << name;
        a->trigger();
        form->UpdateActions();
    }
    bool enabled(const char* name) {
        form->UpdateActions();
        return form->Action(name)->isEnabled();
    }

    std::unique_ptr<TMainForm> form;
    ScriptedRunner* runner = nullptr;
};

}  // namespace korvane::testing
