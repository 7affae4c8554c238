#pragma once
// Names and defaults of the per-user registry values and of the rig's configuration file. The
// parts that use a value own its meaning; this file owns the names, so they are spelt once.

namespace settings {

// Registry values under the rig's key.
namespace reg {
inline constexpr const char* WordProcessorLocation = "Word Processor Location";
inline constexpr const char* WordProcessorName = "Word Processor Name";
inline constexpr const char* WordProcessorNameDefault = "notepad";
inline constexpr const char* SampleInterval = "Sample Interval";
inline constexpr const char* IFDFrequency = "IFD Frequency";
inline constexpr const char* IFDFilter = "IFD Filter";
inline constexpr const char* LastComMaster = "lastcom_m";
inline constexpr const char* LastComSlave = "lastcom_s";
inline constexpr int LastComNone = -1;
inline constexpr const char* AutoCom = "autocom";
inline constexpr bool AutoComDefault = true;
inline constexpr const char* ShowPresentation = "Show Presentation";
inline constexpr bool ShowPresentationDefault = true;
inline constexpr const char* LecturerPassword = "Lecturer Password";
inline constexpr const char* LecturerPasswordDefault = "tamarind";
inline constexpr const char* TDCOffset = "TDC Offset";
}  // namespace reg

// Sections and keys of Configuration.ini.
namespace ini {
inline constexpr const char* Autopilot = "AUTOPILOT";
inline constexpr const char* Scope = "Scope";
inline constexpr const char* LogicEngine = "LOGIC_ENGINE";
inline constexpr const char* Feature = "feature";
inline constexpr const char* FeatureOn = "on";
inline constexpr const char* FeatureOff = "off";

inline constexpr const char* Vexa = "Vexa";
inline constexpr const char* IsVexaMode = "is_vexa_mode";
inline constexpr const char* QueryVexaAtStartup = "query_vexa_at_startup";
inline constexpr const char* InvPrgShow = "inv_prg_show";
inline constexpr const char* InvPrgEnable = "inv_prg_enable";

inline constexpr const char* IFD = "IFD";
inline constexpr const char* Tbt = "tbt";
inline constexpr int TbtDefault = 50;
inline constexpr const char* Guiref = "guiref";
inline constexpr int GuirefDefault = 50;
inline constexpr const char* Threadsel = "threadsel";

inline constexpr const char* Help = "help";
inline constexpr const char* HelpSystemPackage = "help_system_package";
inline constexpr const char* HelpFileName = "filename";

inline constexpr const char* ScopeSampleInterval = "Sample Interval";
inline constexpr int ScopeSampleIntervalDefault = 745;
inline constexpr const char* ScopeSampleCount = "Sample Count";
inline constexpr int ScopeSampleCountDefault = 1000;
inline constexpr const char* ScopePreTriggerCount = "Pre Trigger Count";
inline constexpr int ScopePreTriggerCountDefault = 0;
inline constexpr const char* ScopeChannel1 = "Channel 1";
inline constexpr const char* ScopeChannel2 = "Channel 2";
inline constexpr const char* ScopeTriggerMode = "Trigger Mode";
inline constexpr const char* ScopeTriggerModeDefault = "Software Trigger";
inline constexpr const char* ScopeTriggerChannel = "Trigger Channel";
inline constexpr int ScopeChannelNone = -9999;
inline constexpr const char* ScopeTriggerLevel = "Trigger Level";
inline constexpr int ScopeTriggerLevelDefault = 0;
}  // namespace ini

}  // namespace settings
