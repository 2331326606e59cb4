#pragma once

// Identifiers and fixed texts of the window's resources: the two dialog
// templates, the About item's string and the system-menu command. Control ids
// are also the keys by which the controller reaches the dialog's controls.

#include "base/Transform.h"

namespace kestrel::ui {

enum ResourceId : int {
    IDD_ABOUTBOX = 100,
    IDS_ABOUTBOX = 101,
    IDD_MAIN = 102,
    IDR_MAINFRAME = 128,
};

enum ControlId : int {
    IDC_GO = 1,    // IDOK: "Go" / "Stop", the default button
    IDC_QUIT = 2,  // IDCANCEL: "Quit"
    IDC_ADD = 1001,
    IDC_BROWSE = 1002,
    IDC_OUTPUT_DIR = 1003,
    IDC_INPUT_LIST = 1004,
    IDC_REMOVE = 1005,
    IDC_ROT_CW = 1006,
    IDC_ROT_ACW = 1007,
    IDC_ROT_180 = 1008,
    IDC_MIRROR_X = 1009,
    IDC_PROGRESS = 1010,
    IDC_MIRROR_Y = 1011,
    IDC_DEST_KIND = 1012,       // where converted files go (DestinationKind)
    IDC_SUFFIX = 1013,          // the suffix of files written beside their sources
    IDC_EXISTING = 1014,        // what to do when a destination exists (ExistingPolicy)
    IDC_CLEAR_FINISHED = 1015,  // "Clear Finished"
    IDC_SALVAGE = 1016,         // damaged frames repeat the frame before them
};

// The radio button of each transform.
constexpr int RadioButtonId(RotationMode mode)
{
    switch (mode) {
    case RotationMode::Clockwise90: return IDC_ROT_CW;
    case RotationMode::Anticlockwise90: return IDC_ROT_ACW;
    case RotationMode::Rotate180: return IDC_ROT_180;
    case RotationMode::MirrorX: return IDC_MIRROR_X;
    case RotationMode::MirrorY: return IDC_MIRROR_Y;
    }
    return IDC_ROT_ACW;
}

// Command id of the About item in the window menu.
inline constexpr int IDM_ABOUTBOX = 0x10;

// The poll timer of a running batch: its id and period.
inline constexpr int kProgressTimerId = 275;
inline constexpr int kProgressTimerPeriodMs = 100;

inline constexpr const char* kAppTitle = "Kestrel";
inline constexpr const char* kAboutItemText = "&About Kestrel...";  // IDS_ABOUTBOX

}  // namespace kestrel::ui
