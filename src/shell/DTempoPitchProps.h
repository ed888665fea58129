#pragma once

#include "processing/TimeEchoProps.h"
#include "shell/PropsDlg.h"

namespace korvane {

// "Pitch Tempo": frequency and speed factors, each optionally from an envelope, the new length and the quality.
class TDlgTempoPitchProps : public TRecordDlg<TTempoPitchProps> {
public:
    TDlgTempoPitchProps(QWidget* parent, TCommandDialogContext& context, RecordStep<TTempoPitchProps>& step);
};

}  // namespace korvane
