#pragma once
// The help the program can open for a rig: every command, button and dialog that shows a help page,
// with what it asks for. The windows ask through these names, and the rig check replays each
// request through the rig's own help routing to find the ones that lead to no page.

#include <QString>
#include <QStringList>
#include <vector>

class TRigConfig;

namespace helptopics {
// Shell help of the Help menu, in menu order (context numbers of the shell help file).
struct TMenuTopic {
  const char* Caption;
  const char* Context;
};
inline constexpr TMenuTopic kMenu[] = {{"The Standard Forms", "5"},      {"The Menu Bar", "4"},
                                       {"Saving and Exporting Data", "11"}, {"Retrieving Data", "12"},
                                       {"Clearing Unwanted Data", "13"},  {"Calibrating the Sensors", "40"}};
// The help button's shell context with each window in front (index: 1 diagram, 2 graph, 3 table,
// 4 presentation); the control-parameters window asks the rig's own context kControlParameters.
inline constexpr const char* kScreen[] = {"7", "7", "8", "9", "6"};
inline constexpr int kControlParameters = 6;
inline constexpr int kOscilloscope = 7;  // rig context of the oscilloscope's Help
inline constexpr const char* kScheduler = "7";
inline constexpr const char* kSampleConfiguration = "Sample_Configuration";
inline constexpr const char* kGraphConfiguration = "Graph_Configuration";
inline constexpr const char* kSensorCalibration = "Sensor_Calibration";
inline constexpr const char* kPIDController = "PID_Controller";
inline constexpr const char* kNomenclatureHtml = "Teaching\\Nomenclature.htm";
inline constexpr const char* kNomenclatureWinHelp = "nomenclature";
inline constexpr const char* kExercisesHtml = "Description\\Overview.htm";
inline constexpr const char* kExercisesWinHelp = "Index_to_Exercises";
}  // namespace helptopics

class THelpRequests {
 public:
  struct TRequest {
    QString Where;    // "Help > The Menu Bar"
    QString Request;  // "contents FILE", "context FILE N" or "topic FILE TOPIC"
    QString Problem;  // what the help window would say instead of a page; empty when it finds one
  };
  // Every help request this rig's commands, buttons and dialogs make, routed as the rig routes it.
  // The requests go to a viewer of its own; the program's help window is the viewer afterwards.
  static std::vector<TRequest> All(TRigConfig& rig);
  // One line per request that leads to no page: where it is asked for, then what the help window
  // would say. Empty when every request finds its page.
  static QStringList Missing(TRigConfig& rig);
};
