#pragma once

#include <QString>

class cGlobalSettings;
class cPersonalSettings;
class frmHVPersSettingsSingle;

// The program's entry: the start-up steps, then the settings window lives on in the event loop.
void Main();
// The process: the application object, Main, the event loop and the orderly end.
int Main(int argc, char* argv[]);

// Main asks where the common settings live before reading them (--choose-database).
void subSetChooseDatabaseAtStart(bool blnChoose);

// The process-wide values Main fills; the objects exist from Main's steps 2 and 14 on.
cPersonalSettings& fncPersonalSettings();
cGlobalSettings& fncGlobalSettings();
bool fncHasGlobalSettings();
frmHVPersSettingsSingle* fncSettingsWindow();
const QString& fncUserFullName();
const QString& fncListSeparator();

// The data folder for a documents folder path: its "OLAP Cubes" folder with every
// "OLAP Cubes" of the path replaced by "My Hourvanes", without a trailing slash.
QString fncDataFolderFor(const QString& strCubePath);

// Hides and deletes every top-level window, the last one first.
void subUnloadWindows();
// For tests: unload the window, drop the settings objects and the single-instance lock.
void subResetMainState();
