#pragma once
// Resource and control ids of the media manager (also read by the resource script).
#define IDD_MEDIA_DIALOG 102
#define IDI_APP_ICON 128
#define IDD_IMPORT_PROGRESS 129
#define IDC_SOUND_LIST 1000
#define IDC_PICTURE_LIST 1001
#define IDC_ADD_PICTURE 1002
#define IDC_DELETE_PICTURE 1003
#define IDC_ADD_SOUND 1004
#define IDC_DELETE_SOUND 1005
#define IDC_PLAY_SOUND 1006
#define IDC_IMPORT_PROGRESS 1008
#define IDC_IMPORT_FILE 1009
