#pragma once

// Codes of the calendar object model, the values the callers have always used.
inline constexpr int olFolderInbox = 6;
inline constexpr int olFolderCalendar = 9;

inline constexpr int olMailItem = 0;
inline constexpr int olAppointmentItem = 1;

// Item classes (what an item is, as opposed to what a folder holds by default).
inline constexpr int olAppointment = 26;
inline constexpr int olOtherItem = 0;

// User property types.
inline constexpr int olText = 1;
inline constexpr int olNumber = 3;
inline constexpr int olDateTime = 5;
inline constexpr int olYesNo = 6;

// Variant type codes used by fncGetOutlookValue.
inline constexpr int vbInteger = 2;
inline constexpr int vbDouble = 5;
inline constexpr int vbDate = 7;
inline constexpr int vbString = 8;
inline constexpr int vbBoolean = 11;
