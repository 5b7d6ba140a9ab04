#pragma once

// Resource and command numbers, shared by tessaly.rc and the frame.

#define TESSALY_IDI_PROGRAM 130
#define TESSALY_IDM_MENU 109
#define TESSALY_IDD_ABOUT 103
#define TESSALY_IDA_ACCELERATORS 109
#define TESSALY_CMD_ABOUT 104
#define TESSALY_CMD_EXIT 105
#define TESSALY_CMD_FOLLOW_LIVE_1 106
#define TESSALY_CMD_FOLLOW_LIVE_2 107
#define TESSALY_CMD_DATA_SERVER 120
