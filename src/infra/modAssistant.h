#pragma once

#include <QString>

// Messages about the calendar program and the grid. No desktop assistant exists here, so both
// go straight to the program's message box.

// Information box with an OK button; returns 1 (the OK button's code).
qint32 fncAssistantMessage(const QString& strMessage);
// Yes/No question; returns 6 for Yes and 7 for No, the codes of the buttons pressed.
qint32 fncAssistantQuestion(const QString& strMessage);

inline constexpr qint32 intAnswerOk = 1;
inline constexpr qint32 intAnswerYes = 6;
inline constexpr qint32 intAnswerNo = 7;
