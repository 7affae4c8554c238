#pragma once
// What the rig check finds wrong in the links between data-source rows: interlock conditions that
// cannot be read or that observe a source no row defines, and gates, switches and flips whose
// digital output is not defined above them (or whose watched column or followed output is no
// number). Each problem names the sheet and the row.

#include <memory>
#include <vector>

#include <QStringList>

class TDataSource_Definition;
class TRigConfig;

class TSourceLinkCheck {
 public:
  static QStringList Problems(const TRigConfig& rig, const std::vector<std::unique_ptr<TDataSource_Definition>>& defs);
};
