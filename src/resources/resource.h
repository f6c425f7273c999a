// Resource and control ids of the main window and the About box.
#pragma once

#define IDD_ABOUT 100
#define IDD_MAIN 102
#define IDI_PROGRAM 128
#define IDC_DRAG_ANIMATED 130
#define IDI_DRAG_HAND 134
#define IDC_DRAG_POINTER 135

#define IDC_HAND_ICON 1000
#define IDC_USAGE 1002
#define IDC_FILTER 1003
#define IDC_HIDE 1004
#define IDC_TABS 1005
#define IDC_OUTPUT 1006
#define IDC_AUTOWRAP 1007
#define IDC_ENLARGE 1008
#define IDC_SHRINK 1009
#define IDC_COPY 1010
#define IDC_SAVE 1011
#define IDC_DEPOSIT 1012
#define IDC_SEPARATOR 1013
#define IDC_FRAME 1014
#define IDC_OPTION_LABEL 1016
#define IDC_ONLINE_HELP 1017
#define IDC_WEB_LINK 1018
#define IDC_ANYWINDOW 1019
#define IDC_TIDYTEXT 1020
#define IDC_OUTLINE 1021
#define IDC_COPYATONCE 1022

#define IDM_ABOUT 0x0010
#define IDM_CAPTURE_KEY 0x0020
