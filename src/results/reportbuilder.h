#pragma once
// File > Export Report...: gathers the report from the table, the graph and the rig, asks the
// student's name (remembered between sessions) and a note, and writes the PDF with a progress bar
// that can cancel it.

#include <vector>

#include <QString>
#include <QStringList>

#include "results/labreport.h"

class IResultsGraph;
class QWidget;
class TGraphForm;
class TTableForm;

class TReportBuilder {
 public:
  // Every run of the table: its title row (with units) and the rows its samples filled (all
  // non-empty rows without a graph to count them), as the table shows them.
  static std::vector<TReportRun> Runs(TTableForm& table, const IResultsGraph* graph);

  struct TFacts {
    QString Rig, Exercise;
    QString RegistryKey;         // where the student's name is remembered; empty: not remembered
    QStringList Presentation;    // empty when the rig has no questions
  };
  // The whole command. `parent` holds the progress window.
  static void Export(TTableForm* table, TGraphForm* graph, const TFacts& facts, QWidget* parent);
};
