#include "shell/CommandDialogs.h"

#include <map>

#include "processing/DialogStep.h"
#include "shell/DGenericProps.h"
#include "shell/DMixProps.h"

namespace korvane {

namespace {
std::map<std::string, TCommandDialogFactory>& registry() {
    static std::map<std::string, TCommandDialogFactory> dialogs;
    return dialogs;
}
}  // namespace

void RegisterCommandDialog(const std::string& action, TCommandDialogFactory factory) {
    registry()[action] = std::move(factory);
}

void RegisterShellDialogs() {
    RegisterCommandDialog("EditMix", [](QWidget* parent, TCommandDialogContext& c) -> std::unique_ptr<QDialog> {
        return std::make_unique<TDlgMixProps>(parent, c);
    });
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
