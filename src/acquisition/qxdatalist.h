#pragma once
// The diagram's sources: one per row of the data-source sheet, in sheet order, brought up to date
// on every logger tick and copied into the results table when a sample is taken.

#include <memory>
#include <vector>

#include <QObject>
#include <QStringList>

#include "platform/datetime.h"

class QGroupBox;
class QWidget;
class TDataSource_Definition;
class TQXSource;
class TQXTextSource;
class TRigConfig;
class ISampleTable;
class IRigConfigHost;

class TQXDataList : public QObject {
  Q_OBJECT
 public:
  // `MimicPanel` is the diagram the sources place their controls on.
  explicit TQXDataList(QWidget* MimicPanel, QObject* owner = nullptr);
  ~TQXDataList() override;

  // Builds every source (the rig's definitions are read now). Throws EWorkbookError when the
  // definition sheets cannot be read. Kinds not built in this program are reported once each and
  // left out.
  void Initialise(TRigConfig& rig, ISampleTable* table, IRigConfigHost* rigHost = nullptr);
  void Update_All_Sources(bool UpDateDisplay, int Current_Count, TDateTime Start_Time);
  void TakeSample(int Sample_Transfer_Count);
  QGroupBox* AddFrame(QWidget* DisplayParent, const TDataSource_Definition& definition);
  // Takes a source built from its definition; a listed one joins the source list, so that rows
  // after it find it.
  TQXSource* AddSource(std::unique_ptr<TQXSource> source, bool listed = true);

  // Names, units and voltage ranges of the analogue inputs, and their current values; element i
  // of every list belongs to the same source.
  void GetIFDHeaderList(QStringList& names, std::vector<float>& maxVolts, QStringList& units,
                        std::vector<float>& minVolts) const;
  void GetIFDValues(QStringList& voltTexts, QStringList& valueTexts, std::vector<float>& volts,
                    std::vector<float>& values) const;
  // "label=channel" of every analogue input and of every digital input (the oscilloscope's lists).
  QStringList AnalogueInputChannels() const;
  QStringList DigitalInputChannels() const;

  const std::vector<TQXSource*>& Sources() const { return FSources; }
  // The rows whose kind is not built here: "row N: KIND".
  const QStringList& Skipped() const { return FSkipped; }
  QWidget* MimicPanel() const { return FMimicPanel; }

 private:
  QWidget* FMimicPanel;
  ISampleTable* FTable = nullptr;
  std::vector<std::unique_ptr<TDataSource_Definition>> FDefinitions;
  std::vector<std::unique_ptr<TQXSource>> FObjects;
  std::vector<TQXSource*> FSources;  // the listed ones, in sheet order
  std::vector<TQXTextSource*> FTextSources;  // the notes among them, for every sample
  std::vector<QGroupBox*> FFrames;
  QStringList FSkipped;
};
