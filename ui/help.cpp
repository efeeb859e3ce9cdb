#include "ui/help.h"

#include "platform/message_box.h"
#include "platform/process.h"
#include "platform/string_table.h"
#include "platform/text.h"
#include "res/string_ids.h"

namespace vemra {

namespace {
constexpr UINT kHelpDisplayTopic = 0x0000;   // HH_DISPLAY_TOPIC
constexpr UINT kHelpDisplayToc = 0x0001;     // HH_DISPLAY_TOC

// The page of each context: 0x50000 + the control's ID.
struct Topic {
    DWORD context;
    const char* page;
};
constexpr DWORD kContextBase = 0x50000;
constexpr Topic kTopics[] = {
    {kContextBase + 1000, "main_dialog.html#user"},     {kContextBase + 1001, "main_dialog.html#import"},
    {kContextBase + 1002, "main_dialog.html#export"},   {kContextBase + 1013, "main_dialog.html#removeall"},
    {kContextBase + 1028, "main_dialog.html#palm"},     {kContextBase + 1030, "options.html#format"},
    {kContextBase + 1031, "options.html#format"},       {kContextBase + 1005, "options.html#span"},
    {kContextBase + 1006, "options.html#span"},         {kContextBase + 1015, "options.html#desktopbutton"},
    {kContextBase + 1009, "options.html#import"},       {kContextBase + 1016, "options.html#import"},
    {kContextBase + 1041, "options.html#import"},       {kContextBase + 1008, "options.html#csv"},
    {kContextBase + 1021, "options.html#csv"},          {kContextBase + 1029, "options.html#csv"},
    {kContextBase + 1038, "options.html#exceptionseparator"},          {kContextBase + 1034, "options.html#fieldorder"},
    {kContextBase + 1035, "options.html#fieldorder"},   {kContextBase + 1040, "options.html#fieldorder"},
};
using HtmlHelpFunction = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);

// hhctrl.ocx stays loaded once it has shown a page: its windows live on after the call.
HtmlHelpFunction HtmlHelpEntry() {
    static HtmlHelpFunction entry = [] {
        const HMODULE module = LoadLibraryA("hhctrl.ocx");
        return module ? reinterpret_cast<HtmlHelpFunction>(reinterpret_cast<void*>(GetProcAddress(module, "HtmlHelpA")))
                      : nullptr;
    }();
    return entry;
}

bool ShowHelp(HWND owner, UINT command, const std::string& topic) {
    const std::string path = HelpFilePath();
    const DWORD attributes = GetFileAttributesA(path.c_str());
    const HtmlHelpFunction help =
        attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY) ? HtmlHelpEntry() : nullptr;
    const std::string target = topic.empty() ? path : path + "::/" + topic;
    if (help && help(owner, target.c_str(), command, 0)) return true;
    ShowMessage(FormatText(LoadResString(IDS_HELP_MISSING).c_str(), path.c_str()), MessageButtons::ok, MessageIcon::warning);
    return false;
}
}  // namespace

std::string HelpFilePath() {
    const std::string program = ExecutablePath();
    const std::size_t slash = program.find_last_of("\\/");
    return (slash == std::string::npos ? std::string() : program.substr(0, slash + 1)) + "VEMRA.chm";
}

bool ShowHelpContents(HWND owner) { return ShowHelp(owner, kHelpDisplayToc, ""); }

std::string HelpTopic(DWORD context) {
    for (const Topic& topic : kTopics) {
        if (topic.context == context) return topic.page;
    }
    return "";
}

bool ShowHelpContext(HWND owner, DWORD context) {
    const std::string topic = HelpTopic(context);
    return topic.empty() ? ShowHelpContents(owner) : ShowHelp(owner, kHelpDisplayTopic, topic);
}

}  // namespace vemra
