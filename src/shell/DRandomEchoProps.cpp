#include "shell/DRandomEchoProps.h"

#include <QCheckBox>
#include <QRadioButton>
#include <QTabWidget>

namespace korvane {

TDlgRandomEchoProps::TDlgRandomEchoProps(QWidget* parent, TCommandDialogContext& context,
                                         RecordStep<TRandomEchoProps>& step)
    : TRecordDlg(parent, context, step, buttonsRight) {
    auto& b = NewBox("Echoes");
    AddField(b, props_.Count);
    AddField(b, props_.Seed);
    AddField(b, props_.TimeDifference);
    AddCheck(b, "Cyclable", props_.Cyclable);
    tabs_ = new QTabWidget(this);
    // All six aspects in view at once rather than behind scroll arrows.
    tabs_->setUsesScrollButtons(false);
    const QStringList dice{"Dice 1", "Dice 2", "Dice 3", "Dice 4", "Dice 5", "Dice 6"};
    struct Tab {
        TEchoAspectIndex aspect;
        const char* title;
        bool noChange, linear;
    };
    const Tab tabs[] = {{aspectTime, "Time", false, true},     {aspectVolume, "Volume", true, true},
                        {aspectLength, "Length", true, false}, {aspectBalance, "Balance", true, true},
                        {aspectPitch, "Pitch", true, false},   {aspectTempo, "Tempo", true, false}};
    for (const Tab& t : tabs) {
        TEchoAspect& a = props_.Aspects[t.aspect];
        auto& page = NewTab(tabs_, t.title);
        int index = 0;
        if (t.noChange) AddChoice(page, "No Change", a.Kind, index++);
        if (t.linear) AddChoice(page, "Linear", a.Kind, index++);
        AddPicker(page, a.Envelope, waveFilterOthers,
                  AddChoice(page, "Random Envelope", a.Kind, index));
        AddList(page, "Dice", a.Die, dice);
        if (t.aspect == aspectBalance) {
            AddChoice(page, "No Volume Difference", props_.BalanceVolumeDifference, 0);
            AddChoice(page, "Volume Difference", props_.BalanceVolumeDifference, 1);
            AddChoice(page, "Filter Difference", props_.BalanceVolumeDifference, 2);
            AddCheck(page, "Time Difference", props_.BalanceTimeDifference);
        }
        if (t.aspect == aspectPitch) AddField(page, props_.FrequencyFactor, nullptr, "Frequency Factor");
    }
    auto& q = NewBox("Quality");
    AddChoice(q, "Low", props_.Quality, 0);
    AddChoice(q, "High", props_.Quality, 1);
    AddField(q, props_.BlockSize);
}

}  // namespace korvane
