#pragma once
// The tool-button pictures, drawn by the program itself at 16 x 16 (no picture files to ship).

#include <QIcon>

enum class TToolIcon {
  New, Open, Save, Print, WordProcessor, Help, Connect, Go, Stop, NextResults, Configure, IFDSettings,
  GraphData, DeleteSheet, RenameSheet, Unhide, Iterate, Lecturer, Nomenclature, Scope, ScopeRunning, Diagram,
  Graph, Table, Schedule
};

class TToolIcons {
 public:
  static QIcon Icon(TToolIcon kind);
};
