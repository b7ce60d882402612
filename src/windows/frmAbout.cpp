#include "windows/frmAbout.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "platform/msgbox.h"
#include "platform/system.h"
#include "windows/frmMain.h"
#include "windows/texts.h"

namespace {
constexpr const char* kSysInfoKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
constexpr const char* kSysInfoValue = "PATH";
constexpr const char* kSysInfoLocationKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
constexpr const char* kSysInfoLocationValue = "MSINFO";
// KEY_READ: every user may read these keys, only an elevated one change
// them, and the program only reads.
constexpr std::uint32_t kKeyAccess = 0x20019;
constexpr platform::Color kBlack{0, 0, 0};
}  // namespace

frmAbout::frmAbout(frmMain& main)
    : form({.caption = "关于Tockmere",
            .clientWidth = 5730,
            .clientHeight = 3555,
            .dialog = true,
            .showInTaskbar = false}),
      picIcon(form),
      lblTitle(form),
      Label1(form),
      Line1_1(form, 90, 2445, 5654, 2445, {128, 128, 128}),
      Line1_0(form, 105, 2460, 5654, 2460, {255, 255, 255}, 2),
      lblDescription(form),
      lblVersion(form),
      cmdOK(form),
      cmdSysInfo(form),
      main_(main) {
    form.setIcon(assets::alarmClock());
    picIcon.move(240, 240, 480, 480);
    picIcon.setPicture(assets::alarmClock());
    picIcon.setAccessibleName("闹钟");
    lblTitle.move(1050, 240, 3885, 240);
    lblTitle.setCaption(texts::kProduct);
    lblTitle.setForeColor(kBlack);
    Label1.move(1050, 675, 3735, 210);
    Label1.setCaption("Tockmere Beta 1.1");
    lblDescription.move(240, 2680, 2445, 195);
    lblDescription.setCaption("软件调用系统时间来提醒您");
    lblDescription.setForeColor(kBlack);
    lblVersion.move(240, 3120, 2085, 195);
    lblVersion.setCaption("请确保系统时间准确无误");
    cmdOK.move(4125, 2625, 1500, 345);
    cmdOK.setCaption("确定");
    cmdOK.setTabIndex(0);
    cmdOK.setDefault(true);
    cmdOK.setCancel(true);
    cmdSysInfo.move(4140, 3075, 1485, 345);
    cmdSysInfo.setCaption("系统信息(&S)...");
    cmdSysInfo.setTabIndex(2);
    for (platform::Control* c : std::initializer_list<platform::Control*>{
             &lblTitle, &Label1, &lblDescription, &lblVersion, &cmdOK, &cmdSysInfo})
        c->setFont({texts::kFont, 9});
    cmdOK.onClick = [this] { cmdOK_Click(); };
    cmdSysInfo.onClick = [this] { cmdSysInfo_Click(); };
    form.onUnload = [this] { Form_Unload(); };
    // A screen reader reads the box's lines as it opens.
    form.setAccessibleDescription(lblTitle.caption() + "\n" + Label1.caption() + "\n" +
                                  lblDescription.caption() + "\n" + lblVersion.caption());
    Form_Load();
}

void frmAbout::Form_Load() {
    const float left = static_cast<float>(platform::screenWidth() - form.width()) / 2.0f;
    const float top = static_cast<float>(platform::screenHeight() - form.height()) / 2.0f;
    form.setLeft(static_cast<platform::Twips>(left));
    form.setTop(static_cast<platform::Twips>(top));
}

void frmAbout::cmdOK_Click() {
    form.unload();
}

// OK, Esc and the close box all end here: the main window, collapsed for
// the box, comes back while nothing is armed.
void frmAbout::Form_Unload() {
    // Not while the program is ending: the main window would show again.
    if (main_.book.noneArmed && !main_.exiting()) main_.frmFirst();
}

void frmAbout::cmdSysInfo_Click() {
    StartSysInfo();
}

void frmAbout::StartSysInfo() {
    std::string path;
    bool found = GetKeyValue(platform::HKEY_LOCAL_MACHINE, kSysInfoKey, kSysInfoValue, path);
    if (!found &&
        GetKeyValue(platform::HKEY_LOCAL_MACHINE, kSysInfoLocationKey, kSysInfoLocationValue,
                    path) &&
        platform::fileExists(path + "\\MSINFO32.EXE")) {
        path += "\\MSINFO32.EXE";
        found = true;
    }
    if (found && platform::launchProgram(path)) return;
    platform::MsgBox("此时系统信息不可用", platform::MsgButtons::OK, texts::kProduct);
}

bool frmAbout::GetKeyValue(platform::HKey KeyRoot, const std::string& KeyName,
                           const std::string& SubKeyRef, std::string& KeyVal) {
    platform::HKey key = 0;
    bool result = false;
    std::array<std::uint8_t, 1024> buffer{};
    std::uint32_t size = buffer.size();
    std::uint32_t type = 0;
    if (platform::RegOpenKeyExA(KeyRoot, platform::toAnsi(KeyName).c_str(), 0, kKeyAccess, &key) !=
            0 ||
        platform::RegQueryValueExA(key, platform::toAnsi(SubKeyRef).c_str(), nullptr, &type,
                                   buffer.data(), &size) != 0) {
        KeyVal.clear();
    } else {
        // Only the bytes the registry gave, and a string ends at its NUL:
        // the text is cut in bytes, before any character is made of them.
        const auto data = reinterpret_cast<const char*>(buffer.data());
        std::string bytes(data, std::min<std::size_t>(size, buffer.size()));
        if (type == platform::REG_SZ) {
            KeyVal = platform::fromAnsi(bytes.substr(0, bytes.find('\0')));
        } else if (type == platform::REG_DWORD) {
            std::uint32_t value = 0;
            for (std::size_t i = std::min<std::size_t>(bytes.size(), 4); i-- > 0;)
                value = value << 8 | static_cast<std::uint8_t>(bytes[i]);
            KeyVal = std::to_string(value);
        }
        result = true;
    }
    platform::RegCloseKey(key);
    return result;
}
