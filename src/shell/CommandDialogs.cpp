#include "shell/CommandDialogs.h"

#include "commands/WaveSteps.h"
#include "commands/DialogStep.h"
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

// A dialog of its own for the steps of one record type, tried in turn; the
// record decides the dialog, so the commands that share a record (block and
// triangle, high and low, resonant and notch) share their dialog too.
template <class Dialog, class Props>
std::unique_ptr<QDialog> recordDialog(QWidget* parent, TCommandDialogContext& c) {
    if (auto* step = dynamic_cast<RecordStep<Props>*>(&c.Step)) return std::make_unique<Dialog>(parent, c, *step);
    return nullptr;
}

std::unique_ptr<QDialog> mixDialog(QWidget* parent, TCommandDialogContext& c) {
    return IsMixStep(c.Step) ? std::make_unique<TDlgMixProps>(parent, c) : nullptr;
}

using Factory = std::unique_ptr<QDialog> (*)(QWidget*, TCommandDialogContext&);
const Factory kDialogs[] = {
    mixDialog,
    recordDialog<TDlgLineProps, TLineProps>,
    recordDialog<TDlgBlockTriangleProps, TBlockTriangleProps>,
    recordDialog<TDlgSinusProps, TSinusProps>,
    recordDialog<TDlgNoiseProps, TNoiseProps>,
    recordDialog<TDlgMFreqProps, TMFreqProps>,
    recordDialog<TDlgSilenceProps, TSilenceProps>,
    recordDialog<TDlgVolumeProps, TVolumeProps>,
    recordDialog<TDlgBalanceProps, TBalanceProps>,
    recordDialog<TDlgUpProps, TUpProps>,
    recordDialog<TDlgRotateProps, TRotateProps>,
    recordDialog<TDlgLeftRightProps, TLeftRightProps>,
    recordDialog<TDlgBlockProps, TBlockProps>,
    recordDialog<TDlgDistortProps, TDistortProps>,
    recordDialog<TDlgHighLowProps, THighLowProps>,
    recordDialog<TDlgResNotchProps, TResNotchProps>,
    recordDialog<TDlgBlockFilterProps, TBlockFilterProps>,
    recordDialog<TDlgRollInProps, TRollInProps>,
    recordDialog<TDlgRollOutProps, TRollOutProps>,
    recordDialog<TDlgLengthProps, TLengthProps>,
    recordDialog<TDlgTempoPitchProps, TTempoPitchProps>,
    recordDialog<TDlgPerEchoProps, TPerEchoProps>,
    recordDialog<TDlgRandomEchoProps, TRandomEchoProps>,
};

}  // namespace

std::unique_ptr<QDialog> MakeCommandDialog(QWidget* parent, TCommandDialogContext& context) {
    for (Factory make : kDialogs)
        if (std::unique_ptr<QDialog> dialog = make(parent, context)) return dialog;
    auto* fields = dynamic_cast<TDialogStep*>(&context.Step);
    if (!fields || fields->DialogFields().Entries().empty()) return nullptr;
    return std::make_unique<TDlgGenericProps>(parent, context, *fields);
}

QString CommandDialogCaption(const Command& command) {
    if (!command.dialogCaption.empty()) return QString::fromStdString(command.dialogCaption);
    QString caption = QString::fromStdString(command.caption);
    caption.remove('&');
    if (caption.endsWith("...")) caption.chop(3);
    return caption;
}

}  // namespace korvane
