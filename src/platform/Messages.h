#pragma once

#include <QString>

namespace quorvane {

// How the program talks to the user through modal boxes. The program installs message boxes at start;
// tests install recorders that answer without a modal loop. Code that shows a message never knows which
// one is installed.

enum class MessageKind {
    Error,       // showErrorMsg: "Error", stop sign, OK
    Information, // showInfoMsg: "Information", information icon, OK
    Question,    // askYesNo: "Confirm", question mark, &Yes / &No
    Report,      // the application's general error report: application title, error icon, OK
};

// Button results as the program compares them.
inline constexpr int IdYes = 6;
inline constexpr int IdNo = 7;
inline constexpr int IdCancel = 2; // the box was closed from its title bar

class MessagePresenter {
public:
    virtual ~MessagePresenter() = default;
    // Shows one modal message and returns the button result (IdYes, IdNo, IdCancel; 1 for OK).
    virtual int present(MessageKind kind, const QString& title, const QString& text) = 0;
};

// Installs a presenter (not owned) and returns the one it replaces. Without one, messages go to
// standard error and questions are answered No.
MessagePresenter* setMessagePresenter(MessagePresenter* presenter);
MessagePresenter* currentMessagePresenter();

void showErrorMsg(const QString& message);
void showInfoMsg(const QString& message);
// 6 for Yes, 7 for No or Esc, 2 when closed from the title bar. Only 6 is consent.
int askYesNo(const QString& message);
// The application's general error report: its title, an error icon, OK, and the text followed by a full
// stop unless it already ends in punctuation.
void showErrorReport(const QString& message);
// The message of that kind: showErrorMsg, showInfoMsg or showErrorReport (a question is asked with askYesNo).
void showMessage(MessageKind kind, const QString& message);
// The report's text for an error message.
QString errorReportText(const QString& message);

} // namespace quorvane
