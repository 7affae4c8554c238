#include "rigconfig/rigchecker.h"

#include <memory>
#include <vector>

#include "acquisition/sourcefactory.h"
#include "platform/iprompts.h"
#include "platform/services.h"
#include "rigconfig/datasource_definition.h"
#include "rigconfig/exercisedialog.h"
#include "rigconfig/irigconfighost.h"
#include "rigconfig/rigconfig.h"
#include "workbook/model/workbook.h"

namespace {
// Answers every prompt without a window and keeps its text as a problem.
class TReportingPrompts : public IPrompts {
 public:
  explicit TReportingPrompts(QStringList& problems) : FProblems(problems) {}
  TModalResult MessageDlg(const QString& text, TMsgDlgType, TMsgDlgButtons buttons) override {
    FProblems << text;
    return buttons == TMsgDlgButtons::OK ? TModalResult::mrOk : TModalResult::mrCancel;
  }
  std::optional<QString> OpenFileDialog(const TFileDialogRequest&) override { return std::nullopt; }
  std::optional<QString> SaveFileDialog(const TFileDialogRequest&) override { return std::nullopt; }
  std::optional<int> ChooseItem(const TChoiceRequest& request) override {
    // The exercise list: check with the first exercise. Anything else asked is a problem.
    if (request.Text == QLatin1String(TExerciseDialog::ChoiceCaption)) return 0;
    FProblems << request.Text;
    return std::nullopt;
  }
  std::optional<QString> InputText(const QString&, const QString&, const QString&, bool,
                                   const TTextDialog&) override {
    return std::nullopt;
  }

 private:
  QStringList& FProblems;
};

class TSilentHost : public IRigConfigHost {
 public:
  void SetApplicationTitle(const QString&) override {}
  void EnableLoadNewExperiment() override {}
  void SetSampleStatus(const QString&) override {}
  void SetDuration(int) override {}
  void SetSampleInterval(int) override {}
  void DisableLogCommands() override {}
  void SetAutopilotFeature(bool) override {}
  void SetScopeFeature(bool) override {}
  void CloseSoon() override {}
  void WidenStatusPanel2(int) override {}
};

const char* CaptureTypeName(int type) {
  switch (type) {
    case 0: return "free-running";
    case 1: return "manual";
    case 2: return "high-speed";
    case 3: return "demonstration";
    default: return "?";
  }
}
}  // namespace

bool TRigChecker::Check(const QString& folder, QTextStream& out) {
  QStringList problems;
  TReportingPrompts prompts(problems);
  IPrompts* previous = &TServices::Prompts();
  TServices::SetPrompts(&prompts);
  TWorkbook book1, book2;
  TSilentHost host;
  TRigConfig rig(&book1, &book2, &host);
  const bool loaded = rig.Initialise(folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/'));
  problems << rig.Problems();

  out << "Rig folder: " << rig.PathName << "\n";
  out << "Title: " << rig.SpreadSheet_title << "  (version " << QString::number(rig.Product_Ver, 'f', 2) << ")\n";
  out << "Capture type: " << rig.fData_Capture_Type << " (" << CaptureTypeName(rig.fData_Capture_Type) << ")\n";
  if (rig.Found_Addtional_Expt) {
    out << "Exercises: " << rig.Expt_Count << " (checked with exercise " << rig.Experiment_Index << ")\n";
  } else {
    out << "Exercises: none\n";
  }
  out << "Sample interval: " << rig.LogSampleInterval << " ms, interface rate " << rig.IFDSampleRate
      << " ms, filter " << rig.IFDFilter << "\n";
  QStringList plotted;
  for (size_t c = 1; c < rig.ColumnStatus.size(); ++c) {
    const TColumnStatus& s = rig.ColumnStatus[c];
    if (s.plot_on_X_Axis || s.plot_on_Y_Axis)
      plotted << QStringLiteral("%1%2%3").arg(c).arg(s.plot_on_X_Axis ? "X" : "Y").arg(s.DefPlot ? "D" : "");
  }
  out << "Columns: " << (rig.ColumnStatus.empty() ? 0 : rig.ColumnStatus.size() - 1) << ", plotted: "
      << (plotted.isEmpty() ? QStringLiteral("none") : plotted.join(QLatin1Char(' '))) << "\n";

  int count = 0;
  int skipped = 0;
  if (loaded) {
    TDataSource_Definition::ResetDefinitionCount();
    std::vector<std::unique_ptr<TDataSource_Definition>> defs;
    try {
      while (true) {
        auto def = std::make_unique<TDataSource_Definition>(rig, &host);
        const bool end = def->SourceType() == NO_MORE_DATASRC;
        defs.push_back(std::move(def));
        if (end) break;
      }
    } catch (const std::exception& e) {
      problems << QString::fromUtf8(e.what());
    }
    out << "Definitions:\n";
    for (const auto& d : defs) {
      if (d->SourceType() == NO_MORE_DATASRC) break;
      ++count;
      const bool built = TSourceFactory::IsBuilt(d->SourceType());
      if (!built) ++skipped;
      out << QStringLiteral("  row %1: %2, column %3, channel %4, %5 calibration pairs, \"%6\"%7\n")
                 .arg(d->Row())
                 .arg(QString::fromLatin1(DataSourceTypeName(d->SourceType())))
                 .arg(d->Column())
                 .arg(d->IFD_Channel())
                 .arg(d->MaxRawValueIndex)
                 .arg(d->LongLabelText())
                 .arg(built ? QString() : QStringLiteral(" (not shown by this version)"));
    }
    out << "Inputs: " << rig.Input_Count << ", outputs: " << rig.Output_Count << ", controllers: "
        << rig.Controller_Count << ", second card: " << (rig.Using_EXP ? "yes" : "no") << "\n";
  }
  TServices::SetPrompts(previous);

  if (problems.isEmpty()) {
    out << "OK: " << count << " definitions";
    if (skipped) out << ", " << skipped << " of them not shown by this version";
    out << "\n";
  } else {
    out << "Problems:\n";
    for (const QString& p : problems) out << "  " << p << "\n";
  }
  out.flush();
  return loaded && problems.isEmpty();
}
