#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "commands/CommandTable.h"
#include "commands/DialogStep.h"
#include "commands/RecordStep.h"
#include "processing/EffectProps.h"
#include "processing/TWorkspace.h"

using namespace korvane;
using korvane::testing::CoreFixture;

namespace {

class FieldOptionsTest : public CoreFixture {
protected:
    TWorkspace space;
    TUnitWave doc{WaveFileProps{}, ""};
};

// Every field a record gives an option is an option of each step of that
// record, once, with the help its entry writes; every option name of a step
// is its own; typing into a field option selects the field's alternative.
TEST_F(FieldOptionsTest, EveryDeclaredFieldOptionIsAStepOptionThatSelectsItsAlternative) {
    int recordSteps = 0, fieldOptions = 0, alternatives = 0;
    for (const Command& command : Commands()) {
        if (!command.makeStep || command.cliName.empty()) continue;
        SCOPED_TRACE(command.cliName);
        std::unique_ptr<CommandStep> step = command.makeStep(space, doc);
        std::vector<CommandOption> options = step->Options();
        std::set<std::string> names;
        for (const CommandOption& o : options) EXPECT_TRUE(names.insert(o.name).second) << o.name << " twice";

        auto* record = dynamic_cast<TDialogStep*>(step.get());
        if (!record) continue;
        ++recordSteps;
        TFieldList fields = record->DialogFields();
        for (const TFieldEntry& entry : fields.Entries()) {
            if (entry.Option.empty()) continue;
            SCOPED_TRACE(entry.Option);
            ++fieldOptions;
            int found = 0;
            for (const CommandOption& o : options) {
                if (o.name != entry.Option) continue;
                ++found;
                EXPECT_TRUE(o.takesValue);
                EXPECT_EQ(o.help, entry.HelpText());
                // Move the alternative away, then type: the option takes it back.
                if (entry.Choice) *entry.Choice = entry.Alternative + 1;
                if (entry.Switch) *entry.Switch = false;
                EXPECT_EQ(o.set(entry.Wave ? "" : entry.ToText()), "");
                if (entry.Choice) {
                    ++alternatives;
                    EXPECT_EQ(*entry.Choice, entry.Alternative);
                }
                if (entry.Switch) {
                    ++alternatives;
                    EXPECT_TRUE(*entry.Switch);
                }
            }
            EXPECT_EQ(found, 1);
        }
    }
    // The table holds the record steps of the generators, effects, filters,
    // time changes and echoes.
    EXPECT_GE(recordSteps, 25);
    EXPECT_GE(fieldOptions, 90);
    EXPECT_GE(alternatives, 40);
}

// The help of a field option follows its declaration: the caption, the words,
// and the default the field shows unless the record names another.
TEST_F(FieldOptionsTest, HelpTextsOfEffectFields) {
    struct Case {
        const char* option;
        const char* help;
    };
    TVolumeProps volume;
    TBalanceProps balance;
    TBlockFilterProps blockFilter;
    TFieldList lists[] = {volume.Fields(), balance.Fields(), blockFilter.Fields()};
    const Case cases[] = {
        {"--constant", "\"Constant\" volume factor (50 %)"},
        {"--envelope", "NAME \"Envelope\""},
        // The field shows "0 '"; help names the bare number.
        {"--direction-constant", "\"Direction Constant\" balance (0)"},
        {"--direction-envelope", "NAME \"Direction Envelope\""},
        {"--block-time", "\"Block Time\" time (10 ms)"},
    };
    std::vector<std::string> helps;
    for (const TFieldList& list : lists)
        for (const TFieldEntry& e : list.Entries())
            if (!e.Option.empty()) helps.push_back(e.Option + "  " + e.HelpText());
    ASSERT_EQ(helps.size(), 6u);
    for (const Case& c : cases)
        EXPECT_NE(std::find(helps.begin(), helps.end(), std::string(c.option) + "  " + c.help), helps.end())
            << c.option;
    EXPECT_EQ(helps.back(), "--envelope  NAME \"Envelope\" (selects the envelope variant)");
}

}  // namespace
