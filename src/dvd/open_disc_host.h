// What opening a disc needs from the window that hosts it: the program's message box and the
// loading notice. The main window implements it; the command-line front end prints instead.
#pragma once

#include <string>

// Message box flags and answers, as the program's one message box takes and gives them.
inline constexpr unsigned kMbInformation = 0x40;     // information icon, "OK"
inline constexpr unsigned kMbInfoYesNo = 0x44;       // information icon, "Yes" and "No"
inline constexpr unsigned kMbQuestionYesNo = 0x24;   // question icon, "Yes" and "No"
inline constexpr unsigned kMbYesNoMask = 0x04;
inline constexpr int kAnswerOk = 1;
inline constexpr int kAnswerCancel = 2;
inline constexpr int kAnswerYes = 6;
inline constexpr int kAnswerNo = 7;

inline constexpr const char* kLoadingNoticeText = "Loading movies from DVD Disc,please wait...";

class OpenDiscHost {
 public:
  virtual ~OpenDiscHost() = default;
  // Shows `text` and returns the answer (1 OK, 2 Cancel, 6 Yes, 7 No).
  virtual int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags) = 0;
  // The loading notice disables the window until it is closed.
  virtual void ShowLoadingNotice() = 0;
  virtual void CloseLoadingNotice() = 0;
};
