#include "controls/sui_themes.h"

#include "platform/classlib/control.h"

namespace controls {

namespace {

using classlib::TColor;

// Kind of each entry, shared by all styles.
constexpr uint8_t kKinds[kThemeEntryCount] = {0, 1, 1, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 3, 0, 0, 0, 2, 2, 2, 0, 1, 2, 2, 2, 2, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 2};

// Integer, colour and flag values of each style (MacOS..BlueGlass). A name
// entry holds its own number; its text is in kNames.
constexpr int32_t kValues[5][kThemeEntryCount] = {
    {  // MacOS
        1, 0x007F7F7F, 0x00E7E7E7, 1, 21, 130, 0, 0x007F7F7F, 0x00E7E7E7, 0,
        0x00C47339, 0x00C47339, 0x00FFFFFF, 0, 0, 0, 0, 0, 0, 20,
        12, 26, 23, 24, 25, 26, 27, 28, 29, 30,
        31, 32, 33, 34, 35, 36, 37, 38, 39, 40,
        41, 42, 43, 44, 45, 46, 47, 48, 49, 50,
        51, 52, 53, 54, 55, 56, 57, 58, 59, 60,
        61, 62, 63, 64, 65, 0, 3, -2, 4, 70,
        71, 72, 34, 0x00E7E7E7, 75, 76, 77, 78, 0x00EEEEEE, 0x00474747,
        0x00EFEFEF, 0x00D8D8D8, 0x00E7E7E7, 0x00C9C9C9, 85, 86, 87, 88, 89, 90,
        91,
    },
    {  // WinXP
        2, 0x00C82C00, 0x00DEEBEF, 3, 27, 150, 13, 0x00686868, 0x00DEEBEF, 0x00CF4602,
        0x00C66931, 0x00EFD3C6, 0, 0, 0x00FFFFFF, 0, 0x00CED3D6, 0x00848284, 0x009CA6AD, 21,
        5, 26, 23, 24, 25, 26, 27, 28, 29, 30,
        31, 32, 33, 34, 35, 36, 37, 38, 39, 40,
        41, 42, 43, 44, 45, 46, 47, 48, 49, 50,
        51, 52, 53, 54, 55, 56, 57, 58, 59, 60,
        61, 62, 63, 64, 65, 0, 2, -2, 5, 70,
        71, 72, 19, 0x00DEEBEF, 75, 76, 77, 78, 0x00DEEBEF, 0x00C66931,
        0x00EFD3C6, 0x00E1AC93, 0x00DEEBEF, 0x00F9F9F9, 85, 86, 87, 88, 89, 90,
        91,
    },
    {  // DeepBlue
        3, 0, 0x00E8E8E8, 1, 30, 130, 0, 0, 0x00E8E8E8, 0,
        0x00A04A44, 0x00A04A44, 0x00FFFFFF, 0, 0x00FFFFFF, 0, 0x00CED3D6, 0x00848284, 0x009CA6AD, 21,
        5, 26, 23, 24, 25, 26, 27, 28, 29, 30,
        31, 32, 33, 34, 35, 36, 37, 38, 39, 40,
        41, 42, 43, 44, 45, 46, 47, 48, 49, 50,
        51, 52, 53, 54, 55, 56, 57, 58, 59, 60,
        61, 62, 63, 64, 65, 0, 0, 0, 2, 70,
        71, 72, 22, 0x00E8E8E8, 75, 76, 77, 78, 0x00E8E8E8, 0x00474747,
        0x00EFEFEF, 0x00D8D8D8, 0x00E8E8E8, 0x00F5F5F5, 85, 86, 87, 88, 89, 90,
        91,
    },
    {  // Protein
        4, 0, 0x00FBFBFB, 1, 21, 130, 0, 0, 0x00FBFBFB, 0,
        0x00C4302D, 0x00C4302D, 0x00FFFFFF, 0, 0x00FFFFFF, 0, 0x00CED3D6, 0x00848284, 0x009CA6AD, 21,
        5, 26, 23, 24, 25, 26, 27, 28, 29, 30,
        31, 32, 33, 34, 35, 36, 37, 38, 39, 40,
        41, 42, 43, 44, 45, 46, 47, 48, 49, 50,
        51, 52, 53, 54, 55, 56, 57, 58, 59, 60,
        61, 62, 63, 64, 65, 1, 0, 0, 2, 70,
        71, 72, 22, 0x00FBFBFB, 75, 76, 77, 78, 0x00FBFBFB, 0x00474747,
        0x00EFEFEF, 0x00D8D8D8, 0x00FBFBFB, 0x00F5F5F5, 85, 86, 87, 88, 89, 90,
        91,
    },
    {  // BlueGlass
        5, 0, 0x00E7E7E7, 1, 31, 0x0000010E, 11, 0, 0x00E7E7E7, 0,
        0x00EC5E5E, 0x00EC5E5E, 0x00FFFFFF, 0, 0x00E7E7E7, 0, 0x00CED3D6, 0x00848284, 0x009CA6AD, 21,
        5, 26, 23, 24, 25, 26, 27, 28, 29, 30,
        31, 32, 33, 34, 35, 36, 37, 38, 39, 40,
        41, 42, 43, 44, 45, 46, 47, 48, 49, 50,
        51, 52, 53, 54, 55, 56, 57, 58, 59, 60,
        61, 62, 63, 64, 65, 1, 4, -3, 6, 70,
        71, 72, 22, 0x00E9D6D5, 75, 76, 77, 78, 0x00E7E7E7, 0x00474747,
        0x00EFEFEF, 0x00D8D8D8, 0x00E7E7E7, 0x00F4F4F4, 85, 86, 87, 88, 89, 90,
        91,
    },
};

// Bitmap resource names of entries 23..91 (null where the entry is no name).
constexpr int kFirstName = 23;
constexpr const char* kNames[5][kThemeEntryCount - kFirstName + 1] = {
    {  // MACOS
        /* 23 */ "MENU_CHECKED",
        /* 24 */ "MACOS_BUTTON_NORMAL",
        /* 25 */ "MACOS_BUTTON_MOUSEON",
        /* 26 */ "MACOS_BUTTON_MOUSEDOWN",
        /* 27 */ "MACOS_CHECKBOX_DISABLE_CHECK",
        /* 28 */ "MACOS_CHECKBOX_DISABLE_UNCHECK",
        /* 29 */ "MACOS_CHECKBOX_CHECK",
        /* 30 */ "MACOS_CHECKBOX_UNCHECK",
        /* 31 */ "MACOS_CHECKBOX_CHECK",
        /* 32 */ "MACOS_CHECKBOX_UNCHECK",
        /* 33 */ "MACOS_CHECKBOX_CHECK",
        /* 34 */ "MACOS_CHECKBOX_UNCHECK",
        /* 35 */ "MACOS_RADIOBUTTON_DISABLE_CHECK",
        /* 36 */ "MACOS_RADIOBUTTON_DISABLE_UNCHECK",
        /* 37 */ "MACOS_RADIOBUTTON_CHECK",
        /* 38 */ "MACOS_RADIOBUTTON_UNCHECK",
        /* 39 */ "MACOS_RADIOBUTTON_CHECK",
        /* 40 */ "MACOS_RADIOBUTTON_UNCHECK",
        /* 41 */ "MACOS_RADIOBUTTON_CHECK",
        /* 42 */ "MACOS_RADIOBUTTON_UNCHECK",
        /* 43 */ "MACOS_PROGRESSBAR",
        /* 44 */ "MACOS_PROGRESSBAR_V",
        /* 45 */ "MACOS_TITLE_LEFT",
        /* 46 */ "MACOS_TITLE_CLIENT",
        /* 47 */ "MACOS_TITLE_RIGHT",
        /* 48 */ "MACOS_TITLEBTN_CLOSE_NORMAL",
        /* 49 */ "MACOS_TITLEBTN_CLOSE_MOUSEON",
        /* 50 */ "MACOS_TITLEBTN_CLOSE_MOUSEDOWN",
        /* 51 */ "MACOS_TITLEBTN_MAX_NORMAL",
        /* 52 */ "MACOS_TITLEBTN_MAX_MOUSEON",
        /* 53 */ "MACOS_TITLEBTN_MAX_MOUSEDOWN",
        /* 54 */ "MACOS_TITLEBTN_MIN_NORMAL",
        /* 55 */ "MACOS_TITLEBTN_MIN_MOUSEON",
        /* 56 */ "MACOS_TITLEBTN_MIN_MOUSEDOWN",
        /* 57 */ "MACOS_TITLEBTN_HELP_NORMAL",
        /* 58 */ "MACOS_TITLEBTN_HELP_MOUSEON",
        /* 59 */ "MACOS_TITLEBTN_HELP_MOUSEDOWN",
        /* 60 */ "MACOS_TITLEBTN_CTLBOX_NORMAL",
        /* 61 */ "MACOS_TITLEBTN_CTLBOX_MOUSEON",
        /* 62 */ "MACOS_TITLEBTN_CTLBOX_MOUSEDOWN",
        /* 63 */ "MACOS_TITLEBTN_MAX_NORMAL",
        /* 64 */ "MACOS_TITLEBTN_MAX_MOUSEON",
        /* 65 */ "MACOS_TITLEBTN_MAX_MOUSEDOWN",
        /* 66 */ nullptr,
        /* 67 */ nullptr,
        /* 68 */ nullptr,
        /* 69 */ nullptr,
        /* 70 */ "MACOS_TAB_ACTIVE",
        /* 71 */ "MACOS_TAB_INACTIVE",
        /* 72 */ "MACOS_TAB_LINE",
        /* 73 */ nullptr,
        /* 74 */ nullptr,
        /* 75 */ "MACOS_TRACKBAR_BAR",
        /* 76 */ "MACOS_TRACKBAR_SLIDER",
        /* 77 */ "MACOS_TRACKBAR_BAR",
        /* 78 */ "MACOS_TRACKBAR_SLIDER_V",
        /* 79 */ nullptr,
        /* 80 */ nullptr,
        /* 81 */ nullptr,
        /* 82 */ nullptr,
        /* 83 */ nullptr,
        /* 84 */ nullptr,
        /* 85 */ "MACOS_SCROLLBAR_TOPBUTTON_NORMAL",
        /* 86 */ "MACOS_SCROLLBAR_TOPBUTTON_MOUSEON",
        /* 87 */ "MACOS_SCROLLBAR_TOPBUTTON_MOUSEDOWN",
        /* 88 */ "MACOS_SCROLLBAR_BTMBUTTON_NORMAL",
        /* 89 */ "MACOS_SCROLLBAR_BTMBUTTON_MOUSEON",
        /* 90 */ "MACOS_SCROLLBAR_BTMBUTTON_MOUSEDOWN",
        /* 91 */ "MACOS_SCROLLBAR_TRACK",
    },
    {  // WINXP
        /* 23 */ "MENU_CHECKED",
        /* 24 */ "WINXP_BUTTON_NORMAL",
        /* 25 */ "WINXP_BUTTON_MOUSEON",
        /* 26 */ "WINXP_BUTTON_MOUSEDOWN",
        /* 27 */ "WINXP_CHECKBOX_DISABLE_CHECK",
        /* 28 */ "WINXP_CHECKBOX_DISABLE_UNCHECK",
        /* 29 */ "WINXP_CHECKBOX_NORMAL_CHECK",
        /* 30 */ "WINXP_CHECKBOX_NORMAL_UNCHECK",
        /* 31 */ "WINXP_CHECKBOX_MOUSEON_CHECK",
        /* 32 */ "WINXP_CHECKBOX_MOUSEON_UNCHECK",
        /* 33 */ "WINXP_CHECKBOX_MOUSEDOWN_CHECK",
        /* 34 */ "WINXP_CHECKBOX_MOUSEDOWN_UNCHECK",
        /* 35 */ "WINXP_RADIOBUTTON_DISABLE_CHECK",
        /* 36 */ "WINXP_RADIOBUTTON_DISABLE_UNCHECK",
        /* 37 */ "WINXP_RADIOBUTTON_NORMAL_CHECK",
        /* 38 */ "WINXP_RADIOBUTTON_NORMAL_UNCHECK",
        /* 39 */ "WINXP_RADIOBUTTON_MOUSEON_CHECK",
        /* 40 */ "WINXP_RADIOBUTTON_MOUSEON_UNCHECK",
        /* 41 */ "WINXP_RADIOBUTTON_MOUSEDOWN_CHECK",
        /* 42 */ "WINXP_RADIOBUTTON_MOUSEDOWN_UNCHECK",
        /* 43 */ "WINXP_PROGRESSBAR",
        /* 44 */ "WINXP_PROGRESSBAR_V",
        /* 45 */ "WINXP_TITLE_LEFT",
        /* 46 */ "WINXP_TITLE_CLIENT",
        /* 47 */ "WINXP_TITLE_RIGHT",
        /* 48 */ "WINXP_TITLEBTN_CLOSE_NORMAL",
        /* 49 */ "WINXP_TITLEBTN_CLOSE_MOUSEON",
        /* 50 */ "WINXP_TITLEBTN_CLOSE_MOUSEDOWN",
        /* 51 */ "WINXP_TITLEBTN_MAX_NORMAL",
        /* 52 */ "WINXP_TITLEBTN_MAX_MOUSEON",
        /* 53 */ "WINXP_TITLEBTN_MAX_MOUSEDOWN",
        /* 54 */ "WINXP_TITLEBTN_MIN_NORMAL",
        /* 55 */ "WINXP_TITLEBTN_MIN_MOUSEON",
        /* 56 */ "WINXP_TITLEBTN_MIN_MOUSEDOWN",
        /* 57 */ "WINXP_TITLEBTN_HELP_NORMAL",
        /* 58 */ "WINXP_TITLEBTN_HELP_MOUSEON",
        /* 59 */ "WINXP_TITLEBTN_HELP_MOUSEDOWN",
        /* 60 */ "WINXP_TITLEBTN_CTLBOX_NORMAL",
        /* 61 */ "WINXP_TITLEBTN_CTLBOX_MOUSEON",
        /* 62 */ "WINXP_TITLEBTN_CTLBOX_MOUSEDOWN",
        /* 63 */ "WINXP_TITLEBTN_RST_NORMAL",
        /* 64 */ "WINXP_TITLEBTN_RST_MOUSEON",
        /* 65 */ "WINXP_TITLEBTN_RST_MOUSEDOWN",
        /* 66 */ nullptr,
        /* 67 */ nullptr,
        /* 68 */ nullptr,
        /* 69 */ nullptr,
        /* 70 */ "WINXP_TAB_ACTIVE",
        /* 71 */ "WINXP_TAB_INACTIVE",
        /* 72 */ "WINXP_TAB_LINE",
        /* 73 */ nullptr,
        /* 74 */ nullptr,
        /* 75 */ "WINXP_TRACKBAR_BAR",
        /* 76 */ "WINXP_TRACKBAR_SLIDER",
        /* 77 */ "WINXP_TRACKBAR_BAR",
        /* 78 */ "WINXP_TRACKBAR_SLIDER_V",
        /* 79 */ nullptr,
        /* 80 */ nullptr,
        /* 81 */ nullptr,
        /* 82 */ nullptr,
        /* 83 */ nullptr,
        /* 84 */ nullptr,
        /* 85 */ "WINXP_SCROLLBAR_TOPBUTTON_NORMAL",
        /* 86 */ "WINXP_SCROLLBAR_TOPBUTTON_MOUSEON",
        /* 87 */ "WINXP_SCROLLBAR_TOPBUTTON_MOUSEDOWN",
        /* 88 */ "WINXP_SCROLLBAR_BTMBUTTON_NORMAL",
        /* 89 */ "WINXP_SCROLLBAR_BTMBUTTON_MOUSEON",
        /* 90 */ "WINXP_SCROLLBAR_BTMBUTTON_MOUSEDOWN",
        /* 91 */ "WINXP_SCROLLBAR_TRACK",
    },
    {  // DEEPBLUE
        /* 23 */ "MENU_CHECKED",
        /* 24 */ "DEEPBLUE_BUTTON_NORMAL",
        /* 25 */ "DEEPBLUE_BUTTON_MOUSEON",
        /* 26 */ "DEEPBLUE_BUTTON_MOUSEDOWN",
        /* 27 */ "DEEPBLUE_CHECKBOX_DISABLE_CHECK",
        /* 28 */ "DEEPBLUE_CHECKBOX_DISABLE_UNCHECK",
        /* 29 */ "DEEPBLUE_CHECKBOX_CHECK",
        /* 30 */ "DEEPBLUE_CHECKBOX_UNCHECK",
        /* 31 */ "DEEPBLUE_CHECKBOX_CHECK",
        /* 32 */ "DEEPBLUE_CHECKBOX_UNCHECK",
        /* 33 */ "DEEPBLUE_CHECKBOX_CHECK",
        /* 34 */ "DEEPBLUE_CHECKBOX_UNCHECK",
        /* 35 */ "DEEPBLUE_RADIOBUTTON_DISABLE_CHECK",
        /* 36 */ "DEEPBLUE_RADIOBUTTON_DISABLE_UNCHECK",
        /* 37 */ "DEEPBLUE_RADIOBUTTON_CHECK",
        /* 38 */ "DEEPBLUE_RADIOBUTTON_UNCHECK",
        /* 39 */ "DEEPBLUE_RADIOBUTTON_CHECK",
        /* 40 */ "DEEPBLUE_RADIOBUTTON_UNCHECK",
        /* 41 */ "DEEPBLUE_RADIOBUTTON_CHECK",
        /* 42 */ "DEEPBLUE_RADIOBUTTON_UNCHECK",
        /* 43 */ "DEEPBLUE_PROGRESSBAR",
        /* 44 */ "DEEPBLUE_PROGRESSBAR_V",
        /* 45 */ "DEEPBLUE_TITLE_LEFT",
        /* 46 */ "DEEPBLUE_TITLE_CLIENT",
        /* 47 */ "DEEPBLUE_TITLE_RIGHT",
        /* 48 */ "DEEPBLUE_TITLEBTN_CLOSE_NORMAL",
        /* 49 */ "DEEPBLUE_TITLEBTN_CLOSE_MOUSEON",
        /* 50 */ "DEEPBLUE_TITLEBTN_CLOSE_MOUSEDOWN",
        /* 51 */ "DEEPBLUE_TITLEBTN_MAX_NORMAL",
        /* 52 */ "DEEPBLUE_TITLEBTN_MAX_MOUSEON",
        /* 53 */ "DEEPBLUE_TITLEBTN_MAX_MOUSEDOWN",
        /* 54 */ "DEEPBLUE_TITLEBTN_MIN_NORMAL",
        /* 55 */ "DEEPBLUE_TITLEBTN_MIN_MOUSEON",
        /* 56 */ "DEEPBLUE_TITLEBTN_MIN_MOUSEDOWN",
        /* 57 */ "DEEPBLUE_TITLEBTN_HELP_NORMAL",
        /* 58 */ "DEEPBLUE_TITLEBTN_HELP_MOUSEON",
        /* 59 */ "DEEPBLUE_TITLEBTN_HELP_MOUSEDOWN",
        /* 60 */ "DEEPBLUE_TITLEBTN_CTLBOX_NORMAL",
        /* 61 */ "DEEPBLUE_TITLEBTN_CTLBOX_MOUSEON",
        /* 62 */ "DEEPBLUE_TITLEBTN_CTLBOX_MOUSEDOWN",
        /* 63 */ "DEEPBLUE_TITLEBTN_MAX_NORMAL",
        /* 64 */ "DEEPBLUE_TITLEBTN_MAX_MOUSEON",
        /* 65 */ "DEEPBLUE_TITLEBTN_MAX_MOUSEDOWN",
        /* 66 */ nullptr,
        /* 67 */ nullptr,
        /* 68 */ nullptr,
        /* 69 */ nullptr,
        /* 70 */ "DEEPBLUE_TAB_ACTIVE",
        /* 71 */ "DEEPBLUE_TAB_INACTIVE",
        /* 72 */ "DEEPBLUE_TAB_LINE",
        /* 73 */ nullptr,
        /* 74 */ nullptr,
        /* 75 */ "DEEPBLUE_TRACKBAR_BAR",
        /* 76 */ "DEEPBLUE_TRACKBAR_SLIDER",
        /* 77 */ "DEEPBLUE_TRACKBAR_BAR",
        /* 78 */ "DEEPBLUE_TRACKBAR_SLIDER_V",
        /* 79 */ nullptr,
        /* 80 */ nullptr,
        /* 81 */ nullptr,
        /* 82 */ nullptr,
        /* 83 */ nullptr,
        /* 84 */ nullptr,
        /* 85 */ "DEEPBLUE_SCROLLBAR_TOPBUTTON_NORMAL",
        /* 86 */ "DEEPBLUE_SCROLLBAR_TOPBUTTON_MOUSEON",
        /* 87 */ "DEEPBLUE_SCROLLBAR_TOPBUTTON_MOUSEDOWN",
        /* 88 */ "DEEPBLUE_SCROLLBAR_BTMBUTTON_NORMAL",
        /* 89 */ "DEEPBLUE_SCROLLBAR_BTMBUTTON_MOUSEON",
        /* 90 */ "DEEPBLUE_SCROLLBAR_BTMBUTTON_MOUSEDOWN",
        /* 91 */ "DEEPBLUE_SCROLLBAR_TRACK",
    },
    {  // PROTEIN
        /* 23 */ "MENU_CHECKED",
        /* 24 */ "PROTEIN_BUTTON_NORMAL",
        /* 25 */ "PROTEIN_BUTTON_MOUSEON",
        /* 26 */ "PROTEIN_BUTTON_MOUSEDOWN",
        /* 27 */ "PROTEIN_CHECKBOX_DISABLE_CHECK",
        /* 28 */ "PROTEIN_CHECKBOX_DISABLE_UNCHECK",
        /* 29 */ "PROTEIN_CHECKBOX_CHECK",
        /* 30 */ "PROTEIN_CHECKBOX_UNCHECK",
        /* 31 */ "PROTEIN_CHECKBOX_CHECK",
        /* 32 */ "PROTEIN_CHECKBOX_UNCHECK",
        /* 33 */ "PROTEIN_CHECKBOX_CHECK",
        /* 34 */ "PROTEIN_CHECKBOX_UNCHECK",
        /* 35 */ "PROTEIN_RADIOBUTTON_DISABLE_CHECK",
        /* 36 */ "PROTEIN_RADIOBUTTON_DISABLE_UNCHECK",
        /* 37 */ "PROTEIN_RADIOBUTTON_CHECK",
        /* 38 */ "PROTEIN_RADIOBUTTON_UNCHECK",
        /* 39 */ "PROTEIN_RADIOBUTTON_CHECK",
        /* 40 */ "PROTEIN_RADIOBUTTON_UNCHECK",
        /* 41 */ "PROTEIN_RADIOBUTTON_CHECK",
        /* 42 */ "PROTEIN_RADIOBUTTON_UNCHECK",
        /* 43 */ "PROTEIN_PROGRESSBAR",
        /* 44 */ "PROTEIN_PROGRESSBAR_V",
        /* 45 */ "PROTEIN_TITLE_LEFT",
        /* 46 */ "PROTEIN_TITLE_CLIENT",
        /* 47 */ "PROTEIN_TITLE_RIGHT",
        /* 48 */ "PROTEIN_TITLEBTN_CLOSE_NORMAL",
        /* 49 */ "PROTEIN_TITLEBTN_CLOSE_MOUSEON",
        /* 50 */ "PROTEIN_TITLEBTN_CLOSE_MOUSEDOWN",
        /* 51 */ "PROTEIN_TITLEBTN_MAX_NORMAL",
        /* 52 */ "PROTEIN_TITLEBTN_MAX_MOUSEON",
        /* 53 */ "PROTEIN_TITLEBTN_MAX_MOUSEDOWN",
        /* 54 */ "PROTEIN_TITLEBTN_MIN_NORMAL",
        /* 55 */ "PROTEIN_TITLEBTN_MIN_MOUSEON",
        /* 56 */ "PROTEIN_TITLEBTN_MIN_MOUSEDOWN",
        /* 57 */ "PROTEIN_TITLEBTN_HELP_NORMAL",
        /* 58 */ "PROTEIN_TITLEBTN_HELP_MOUSEON",
        /* 59 */ "PROTEIN_TITLEBTN_HELP_MOUSEDOWN",
        /* 60 */ "PROTEIN_TITLEBTN_CTLBOX_NORMAL",
        /* 61 */ "PROTEIN_TITLEBTN_CTLBOX_MOUSEON",
        /* 62 */ "PROTEIN_TITLEBTN_CTLBOX_MOUSEDOWN",
        /* 63 */ "PROTEIN_TITLEBTN_MAX_NORMAL",
        /* 64 */ "PROTEIN_TITLEBTN_MAX_MOUSEON",
        /* 65 */ "PROTEIN_TITLEBTN_MAX_MOUSEDOWN",
        /* 66 */ nullptr,
        /* 67 */ nullptr,
        /* 68 */ nullptr,
        /* 69 */ nullptr,
        /* 70 */ "PROTEIN_TAB_ACTIVE",
        /* 71 */ "PROTEIN_TAB_INACTIVE",
        /* 72 */ "PROTEIN_TAB_LINE",
        /* 73 */ nullptr,
        /* 74 */ nullptr,
        /* 75 */ "PROTEIN_TRACKBAR_BAR",
        /* 76 */ "PROTEIN_TRACKBAR_SLIDER",
        /* 77 */ "PROTEIN_TRACKBAR_BAR",
        /* 78 */ "PROTEIN_TRACKBAR_SLIDER_V",
        /* 79 */ nullptr,
        /* 80 */ nullptr,
        /* 81 */ nullptr,
        /* 82 */ nullptr,
        /* 83 */ nullptr,
        /* 84 */ nullptr,
        /* 85 */ "PROTEIN_SCROLLBAR_TOPBUTTON_NORMAL",
        /* 86 */ "PROTEIN_SCROLLBAR_TOPBUTTON_MOUSEON",
        /* 87 */ "PROTEIN_SCROLLBAR_TOPBUTTON_MOUSEDOWN",
        /* 88 */ "PROTEIN_SCROLLBAR_BTMBUTTON_NORMAL",
        /* 89 */ "PROTEIN_SCROLLBAR_BTMBUTTON_MOUSEON",
        /* 90 */ "PROTEIN_SCROLLBAR_BTMBUTTON_MOUSEDOWN",
        /* 91 */ "PROTEIN_SCROLLBAR_TRACK",
    },
    {  // BLUEGLASS
        /* 23 */ "MENU_CHECKED",
        /* 24 */ "BLUEGLASS_BUTTON_NORMAL",
        /* 25 */ "BLUEGLASS_BUTTON_MOUSEON",
        /* 26 */ "BLUEGLASS_BUTTON_MOUSEDOWN",
        /* 27 */ "BLUEGLASS_CHECKBOX_DISABLE_CHECK",
        /* 28 */ "BLUEGLASS_CHECKBOX_DISABLE_UNCHECK",
        /* 29 */ "BLUEGLASS_CHECKBOX_CHECK",
        /* 30 */ "BLUEGLASS_CHECKBOX_UNCHECK",
        /* 31 */ "BLUEGLASS_CHECKBOX_CHECK",
        /* 32 */ "BLUEGLASS_CHECKBOX_UNCHECK",
        /* 33 */ "BLUEGLASS_CHECKBOX_CHECK",
        /* 34 */ "BLUEGLASS_CHECKBOX_UNCHECK",
        /* 35 */ "BLUEGLASS_RADIOBUTTON_DISABLE_CHECK",
        /* 36 */ "BLUEGLASS_RADIOBUTTON_DISABLE_UNCHECK",
        /* 37 */ "BLUEGLASS_RADIOBUTTON_CHECK",
        /* 38 */ "BLUEGLASS_RADIOBUTTON_UNCHECK",
        /* 39 */ "BLUEGLASS_RADIOBUTTON_CHECK",
        /* 40 */ "BLUEGLASS_RADIOBUTTON_UNCHECK",
        /* 41 */ "BLUEGLASS_RADIOBUTTON_CHECK",
        /* 42 */ "BLUEGLASS_RADIOBUTTON_UNCHECK",
        /* 43 */ "BLUEGLASS_PROGRESSBAR",
        /* 44 */ "BLUEGLASS_PROGRESSBAR_V",
        /* 45 */ "BLUEGLASS_TITLE_LEFT",
        /* 46 */ "BLUEGLASS_TITLE_CLIENT",
        /* 47 */ "BLUEGLASS_TITLE_RIGHT",
        /* 48 */ "BLUEGLASS_TITLEBTN_CLOSE_NORMAL",
        /* 49 */ "BLUEGLASS_TITLEBTN_CLOSE_MOUSEON",
        /* 50 */ "BLUEGLASS_TITLEBTN_CLOSE_MOUSEDOWN",
        /* 51 */ "BLUEGLASS_TITLEBTN_MAX_NORMAL",
        /* 52 */ "BLUEGLASS_TITLEBTN_MAX_MOUSEON",
        /* 53 */ "BLUEGLASS_TITLEBTN_MAX_MOUSEDOWN",
        /* 54 */ "BLUEGLASS_TITLEBTN_MIN_NORMAL",
        /* 55 */ "BLUEGLASS_TITLEBTN_MIN_MOUSEON",
        /* 56 */ "BLUEGLASS_TITLEBTN_MIN_MOUSEDOWN",
        /* 57 */ "BLUEGLASS_TITLEBTN_HELP_NORMAL",
        /* 58 */ "BLUEGLASS_TITLEBTN_HELP_MOUSEON",
        /* 59 */ "BLUEGLASS_TITLEBTN_HELP_MOUSEDOWN",
        /* 60 */ "BLUEGLASS_TITLEBTN_CTLBOX_NORMAL",
        /* 61 */ "BLUEGLASS_TITLEBTN_CTLBOX_MOUSEON",
        /* 62 */ "BLUEGLASS_TITLEBTN_CTLBOX_MOUSEDOWN",
        /* 63 */ "BLUEGLASS_TITLEBTN_MAX_NORMAL",
        /* 64 */ "BLUEGLASS_TITLEBTN_MAX_MOUSEON",
        /* 65 */ "BLUEGLASS_TITLEBTN_MAX_MOUSEDOWN",
        /* 66 */ nullptr,
        /* 67 */ nullptr,
        /* 68 */ nullptr,
        /* 69 */ nullptr,
        /* 70 */ "BLUEGLASS_TAB_ACTIVE",
        /* 71 */ "BLUEGLASS_TAB_INACTIVE",
        /* 72 */ "BLUEGLASS_TAB_LINE",
        /* 73 */ nullptr,
        /* 74 */ nullptr,
        /* 75 */ "BLUEGLASS_TRACKBAR_BAR",
        /* 76 */ "BLUEGLASS_TRACKBAR_SLIDER",
        /* 77 */ "BLUEGLASS_TRACKBAR_BAR",
        /* 78 */ "BLUEGLASS_TRACKBAR_SLIDER_V",
        /* 79 */ nullptr,
        /* 80 */ nullptr,
        /* 81 */ nullptr,
        /* 82 */ nullptr,
        /* 83 */ nullptr,
        /* 84 */ nullptr,
        /* 85 */ "BLUEGLASS_SCROLLBAR_TOPBUTTON_NORMAL",
        /* 86 */ "BLUEGLASS_SCROLLBAR_TOPBUTTON_MOUSEON",
        /* 87 */ "BLUEGLASS_SCROLLBAR_TOPBUTTON_MOUSEDOWN",
        /* 88 */ "BLUEGLASS_SCROLLBAR_BTMBUTTON_NORMAL",
        /* 89 */ "BLUEGLASS_SCROLLBAR_BTMBUTTON_MOUSEON",
        /* 90 */ "BLUEGLASS_SCROLLBAR_BTMBUTTON_MOUSEDOWN",
        /* 91 */ "BLUEGLASS_SCROLLBAR_TRACK",
    },

};

int StyleIndex(uint8_t Style) {
  int s = Style & 0x7F;
  return s >= 1 && s <= 5 ? s - 1 : -1;
}

}  // namespace

int32_t GetThemeEntry(uint8_t Style, int Number, uint8_t& Kind) {
  int s = StyleIndex(Style);
  if (s < 0 || Number < 1 || Number > kThemeEntryCount) {
    Kind = 0;
    return -1;
  }
  Kind = kKinds[Number - 1];
  return kValues[s][Number - 1];
}

int32_t GetThemeInt(TsuiUIStyle Style, int Number) {
  uint8_t kind = 0;
  int32_t v = GetThemeEntry(Style, Number, kind);
  return kind == tkInteger ? v : -1;
}

TColor GetThemeColor(TsuiUIStyle Style, int Number) {
  uint8_t kind = 0;
  int32_t v = GetThemeEntry(Style, Number, kind);
  return kind == tkColor ? static_cast<TColor>(v) : 0;
}

bool GetThemeBool(TsuiUIStyle Style, int Number) {
  uint8_t kind = 0;
  int32_t v = GetThemeEntry(Style, Number, kind);
  return kind == tkFlag && v != 0;
}

std::string GetThemeResName(TsuiUIStyle Style, int Number) {
  uint8_t kind = 0;
  GetThemeEntry(Style, Number, kind);
  if (kind != tkResName) return {};
  const char* name = kNames[StyleIndex(static_cast<uint8_t>(Style))][Number - kFirstName];
  return name != nullptr ? std::string(name) : std::string();
}

IsuiFormFrame* FindFormFrame(classlib::TWinControl* Container) {
  if (Container == nullptr) return nullptr;
  for (int i = 0; i < Container->ControlCount(); ++i)
    if (auto* frame = dynamic_cast<IsuiFormFrame*>(Container->Controls(i))) return frame;
  return nullptr;
}

TsuiUIStyle FindFormUIStyle(classlib::TWinControl* Container) {
  IsuiFormFrame* frame = FindFormFrame(Container);
  return frame != nullptr ? frame->FrameUIStyle() : TsuiUIStyle::DeepBlue;
}

TColor FindFormBorderColor(classlib::TWinControl* Container) {
  IsuiFormFrame* frame = FindFormFrame(Container);
  return frame != nullptr ? GetThemeColor(frame->FrameUIStyle(), 8) : 0;
}

TColor FindFormColor(classlib::TWinControl* Container) {
  IsuiFormFrame* frame = FindFormFrame(Container);
  return frame != nullptr ? frame->FrameColor() : classlib::clBtnFace;
}

void ApplyUIStyleToChildren(classlib::TWinControl* Container, TsuiUIStyle Style) {
  if (Container == nullptr) return;
  for (int i = 0; i < Container->ControlCount(); ++i) {
    auto* child = dynamic_cast<IsuiStyled*>(Container->Controls(i));
    if (child == nullptr) continue;
    uint8_t rows = child->SuiStyleRows();
    if ((rows & srStyleUnlessCustom) != 0 && child->SuiUIStyle() != TsuiUIStyle::Custom)
      child->SuiSetUIStyle(Style);
    if ((rows & srBorderColor) != 0) child->SuiSetBorderColor(GetThemeColor(Style, 8));
    if ((rows & srGroupBox) != 0) {
      child->SuiSetBorderColor(GetThemeColor(Style, 8));
      child->SuiSetFontColor(GetThemeColor(Style, 10));
      child->SuiSetColor(GetThemeColor(Style, 9));
    }
    if ((rows & srSideChannel) != 0) {
      child->SuiSetColor(GetThemeColor(Style, 9));
      child->SuiSetSideBarColor(GetThemeColor(Style, 9));
    }
    if ((rows & srStyle) != 0) child->SuiSetUIStyle(Style);
  }
}

void ApplyUIStyleToContainers(classlib::TWinControl* Form, TsuiUIStyle Style) {
  if (Form == nullptr) return;
  for (int i = 0; i < Form->ControlCount(); ++i) {
    auto* child = dynamic_cast<IsuiStyled*>(Form->Controls(i));
    if (child == nullptr || (child->SuiStyleRows() & srContainer) == 0) continue;
    if (auto* container = dynamic_cast<classlib::TWinControl*>(Form->Controls(i)))
      ApplyUIStyleToChildren(container, Style);
  }
}

}  // namespace controls
