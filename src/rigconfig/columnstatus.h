#pragma once
// One results-table column as the column sheet describes it: whether and how it is plotted, its
// question and its help. Index in the list = results column; entry 0 is empty.

#include <cstdint>

#include <QString>

struct TColumnStatus {
  bool enabled = false;
  bool plot_on_X_Axis = false;
  bool plot_on_Y_Axis = false;
  bool DefPlot = false;
  std::uint32_t object_id = 0;
  std::uint32_t Question_No = 0;
  QString help_context;
  QString short_text;
};
