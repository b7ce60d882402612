// The About box: the program's name and version, two lines of advice, and
// the launcher of the system-information program.
#pragma once

#include <string>

#include "platform/controls.h"
#include "platform/declared.h"
#include "platform/form.h"

class frmMain;

class frmAbout {
public:
    // Loading centres the box on the screen.
    explicit frmAbout(frmMain& main);

    platform::Form form;
    platform::PictureBox picIcon;
    platform::Label lblTitle;
    platform::Label Label1;
    platform::Line Line1_1;  // grey over white: a sunken separator
    platform::Line Line1_0;
    platform::Label lblDescription;
    platform::Label lblVersion;
    platform::CommandButton cmdOK;
    platform::CommandButton cmdSysInfo;

    void StartSysInfo();
    // Reads one registry value as text; true when it was read.
    bool GetKeyValue(platform::HKey KeyRoot, const std::string& KeyName,
                     const std::string& SubKeyRef, std::string& KeyVal);

    void Form_Load();
    void Form_Unload();
    void cmdOK_Click();
    void cmdSysInfo_Click();

private:
    frmMain& main_;
};
