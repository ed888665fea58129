#include "shell/CommandDialogs.h"

#include <map>

#include "processing/DialogStep.h"
#include "shell/DGenericProps.h"
#include "shell/DMixProps.h"
#include "shell/DBalanceProps.h"
#include "shell/DBlockFilterProps.h"
#include "shell/DBlockProps.h"
#include "shell/DBlockTriangleProps.h"
#include "shell/DDistortProps.h"
#include "shell/DHighLowProps.h"
#include "shell/DLeftRightProps.h"
#include "shell/DLengthProps.h"
#include "shell/DLineProps.h"
#include "shell/DMFreqProps.h"
#include "shell/DNoiseProps.h"
#include "shell/DPerEchoProps.h"
#include "shell/DRandomEchoProps.h"
#include "shell/DResNotchProps.h"
#include "shell/DRollInProps.h"
#include "shell/DRollOutProps.h"
#include "shell/DRotateProps.h"
#include "shell/DSilenceProps.h"
#include "shell/DSinusProps.h"
#include "shell/DTempoPitchProps.h"
#include "shell/DUpProps.h"
#include "shell/DVolumeProps.h"

namespace korvane {

namespace {
std::map<std::string, TCommandDialogFactory>& registry() {
    static std::map<std::string, TCommandDialogFactory> dialogs;
    return dialogs;
}
// A record dialog for a step of its record, the generic one for any other.
template <class Dialog, class Props>
TCommandDialogFactory recordDialog() {
    return [](QWidget* parent, TCommandDialogContext& c) -> std::unique_ptr<QDialog> {
        if (auto* step = dynamic_cast<RecordStep<Props>*>(&c.Step)) return std::make_unique<Dialog>(parent, c, *step);
        auto* fields = dynamic_cast<TDialogStep*>(&c.Step);
        if (!fields) return nullptr;
        return std::make_unique<TDlgGenericProps>(parent, c, *fields);
    };
}
}  // namespace

void RegisterCommandDialog(const std::string& action, TCommandDialogFactory factory) {
    registry()[action] = std::move(factory);
}

void RegisterShellDialogs() {
    RegisterCommandDialog("EditMix", [](QWidget* parent, TCommandDialogContext& c) -> std::unique_ptr<QDialog> {
        return std::make_unique<TDlgMixProps>(parent, c);
    });
    RegisterCommandDialog("MakeLine", recordDialog<TDlgLineProps, TLineProps>());
    RegisterCommandDialog("MakeBlock", recordDialog<TDlgBlockTriangleProps, TBlockTriangleProps>());
    RegisterCommandDialog("MakeTriangle", recordDialog<TDlgBlockTriangleProps, TBlockTriangleProps>());
    RegisterCommandDialog("MakeSinus", recordDialog<TDlgSinusProps, TSinusProps>());
    RegisterCommandDialog("MakeNoise", recordDialog<TDlgNoiseProps, TNoiseProps>());
    RegisterCommandDialog("MakeMFreq", recordDialog<TDlgMFreqProps, TMFreqProps>());
    RegisterCommandDialog("MakeSilence", recordDialog<TDlgSilenceProps, TSilenceProps>());
    RegisterCommandDialog("Volume", recordDialog<TDlgVolumeProps, TVolumeProps>());
    RegisterCommandDialog("Balance", recordDialog<TDlgBalanceProps, TBalanceProps>());
    RegisterCommandDialog("Up", recordDialog<TDlgUpProps, TUpProps>());
    RegisterCommandDialog("Rotate", recordDialog<TDlgRotateProps, TRotateProps>());
    RegisterCommandDialog("MixLeftRight", recordDialog<TDlgLeftRightProps, TLeftRightProps>());
    RegisterCommandDialog("Block", recordDialog<TDlgBlockProps, TBlockProps>());
    RegisterCommandDialog("Distort", recordDialog<TDlgDistortProps, TDistortProps>());
    RegisterCommandDialog("FilterHigh", recordDialog<TDlgHighLowProps, THighLowProps>());
    RegisterCommandDialog("FilterLow", recordDialog<TDlgHighLowProps, THighLowProps>());
    RegisterCommandDialog("FilterRes", recordDialog<TDlgResNotchProps, TResNotchProps>());
    RegisterCommandDialog("FilterNotch", recordDialog<TDlgResNotchProps, TResNotchProps>());
    RegisterCommandDialog("FilterBlock", recordDialog<TDlgBlockFilterProps, TBlockFilterProps>());
    RegisterCommandDialog("RollIn", recordDialog<TDlgRollInProps, TRollInProps>());
    RegisterCommandDialog("RollOut", recordDialog<TDlgRollOutProps, TRollOutProps>());
    RegisterCommandDialog("Length", recordDialog<TDlgLengthProps, TLengthProps>());
    RegisterCommandDialog("TempoPitch", recordDialog<TDlgTempoPitchProps, TTempoPitchProps>());
    RegisterCommandDialog("PerEcho", recordDialog<TDlgPerEchoProps, TPerEchoProps>());
    RegisterCommandDialog("RndEcho", recordDialog<TDlgRandomEchoProps, TRandomEchoProps>());
}

std::unique_ptr<QDialog> MakeCommandDialog(QWidget* parent, TCommandDialogContext& context) {
    auto it = registry().find(context.Command.action);
    if (it != registry().end()) return it->second(parent, context);
    auto* fields = dynamic_cast<TDialogStep*>(&context.Step);
    if (!fields || fields->DialogFields().Entries().empty()) return nullptr;
    return std::make_unique<TDlgGenericProps>(parent, context, *fields);
}

QString CommandDialogCaption(const WaveCommand& command) {
    static const std::map<std::string, const char*> captions{
        {"MakeSilence", "Make Silence"},  {"MakeLine", "Make Line"},
        {"MakeBlock", "Make Block"},      {"MakeTriangle", "Make Triangle"},
        {"MakeSinus", "Make Sinus"},      {"MakeNoise", "Make Noise"},
        {"MakeMFreq", "Multi Frequency"}, {"EditMix", "Mix"},
        {"Volume", "Change Volume"},      {"Balance", "Balance"},
        {"PerEcho", "Period Echo"},       {"RndEcho", "Random Echo"},
        {"FilterHigh", "High Filter"},    {"FilterLow", "Low Filter"},
        {"FilterRes", "Resonant Filter"}, {"FilterNotch", "Notch Filter"},
        {"FilterBlock", "Block Filter"},  {"Up", "Up / Down"},
        {"Rotate", "Rotate"},             {"MixLeftRight", "Mix Left Right"},
        {"SplitH", "Split Horizontally"}, {"Block", "Block"},
        {"RollIn", "Roll in"},            {"Distort", "Distort"},
        {"RollOut", "Roll out"},          {"MergeH", "Merge Horizontally"},
        {"MergeV", "Merge Vertically"},   {"Length", "Change Length"},
        {"TempoPitch", "Pitch Tempo"},
    };
    auto it = captions.find(command.action);
    if (it != captions.end()) return QString::fromUtf8(it->second);
    QString caption = QString::fromStdString(command.caption);
    caption.remove('&');
    if (caption.endsWith("...")) caption.chop(3);
    return caption;
}

}  // namespace korvane
