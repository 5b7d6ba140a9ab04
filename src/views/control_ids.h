#pragma once

// Every control of the main dialog by name: the one place that gives their
// numbers (the numbers are the dialog template's own). The template in shell/
// lays the controls out by these names, the views address them by these
// names, and so do the front ends and the tests. Labels and the "Sound" frame
// have no id.

namespace tessaly {

// View 1
inline constexpr int kIdView1Group = 1092;
inline constexpr int kIdView1ServerRadio = 1078;
inline constexpr int kIdView1PseudorandomRadio = 1080;
inline constexpr int kIdView1StationList = 1003;
inline constexpr int kIdView1StepUp = 1001;
inline constexpr int kIdView1StepDown = 1000;
inline constexpr int kIdView1NoDataText = 1049;
inline constexpr int kIdView1YearList = 1008;
inline constexpr int kIdView1MonthList = 1009;
inline constexpr int kIdView1DayList = 1010;
inline constexpr int kIdView1HourList = 1007;
inline constexpr int kIdView1MinuteList = 1006;
inline constexpr int kIdView1SecondList = 1005;
inline constexpr int kIdView1NowMinus10 = 1048;
inline constexpr int kIdView1Set = 1071;
inline constexpr int kIdView1HistogramPanel = 1038;
inline constexpr int kIdView1SoundCheck = 1050;
inline constexpr int kIdView1ValuesList = 1015;
inline constexpr int kIdView1SmoothList = 1021;
inline constexpr int kIdView1HexagramPanel = 1058;
inline constexpr int kIdView1HexagramNameText = 1066;
inline constexpr int kIdView1HexagramMethodList = 1068;
inline constexpr int kIdView1HexagramLanguageList = 1069;
inline constexpr int kIdView1Image = 1033;
inline constexpr int kIdView1PositionStrip = 1074;
inline constexpr int kIdView1Play = 1091;
inline constexpr int kIdView1ValueText = 1056;
inline constexpr int kIdView1PositionText = 1060;
inline constexpr int kIdView1StepBar = 1083;
inline constexpr int kIdView1GraphImage = 1037;
inline constexpr int kIdView1SideStrip = 1054;
inline constexpr int kIdView1StationScroll = 1082;
inline constexpr int kIdView1GraphPositionStrip = 1063;
inline constexpr int kIdView1StationsText = 1081;
inline constexpr int kIdView1OrderByList = 1018;
inline constexpr int kIdView1OrderDo = 1041;
// An empty read-only text nothing writes.
inline constexpr int kIdView1SpareText = 1076;
inline constexpr int kIdView1GraphStepBar = 1086;

// View 2
inline constexpr int kIdView2Group = 1093;
inline constexpr int kIdView2ServerRadio = 1089;
inline constexpr int kIdView2PseudorandomRadio = 1090;
inline constexpr int kIdView2StationList = 1034;
inline constexpr int kIdView2StepUp = 1002;
inline constexpr int kIdView2StepDown = 1004;
inline constexpr int kIdView2NoDataText = 1053;
inline constexpr int kIdView2YearList = 1025;
inline constexpr int kIdView2MonthList = 1026;
inline constexpr int kIdView2DayList = 1035;
inline constexpr int kIdView2HourList = 1027;
inline constexpr int kIdView2MinuteList = 1028;
inline constexpr int kIdView2SecondList = 1029;
inline constexpr int kIdView2NowMinus10 = 1036;
inline constexpr int kIdView2Set = 1072;
inline constexpr int kIdView2HistogramPanel = 1039;
inline constexpr int kIdView2SoundCheck = 1051;
inline constexpr int kIdView2ValuesList = 1020;
inline constexpr int kIdView2SmoothList = 1022;
inline constexpr int kIdView2HexagramPanel = 1065;
inline constexpr int kIdView2HexagramNameText = 1067;
inline constexpr int kIdView2HexagramMethodList = 1070;
inline constexpr int kIdView2HexagramLanguageList = 1073;
inline constexpr int kIdView2Image = 1031;
inline constexpr int kIdView2PositionStrip = 1075;
inline constexpr int kIdView2Play = 3;
inline constexpr int kIdView2ValueText = 1061;
inline constexpr int kIdView2PositionText = 1077;
inline constexpr int kIdView2StepBar = 1087;
inline constexpr int kIdView2GraphImage = 1040;
inline constexpr int kIdView2SideStrip = 1057;
inline constexpr int kIdView2StationScroll = 1084;
inline constexpr int kIdView2GraphPositionStrip = 1064;
inline constexpr int kIdView2StationsText = 1085;
inline constexpr int kIdView2OrderByList = 1019;
inline constexpr int kIdView2OrderDo = 1042;
inline constexpr int kIdView2SpareText = 1079;
inline constexpr int kIdView2GraphStepBar = 1088;

// Between the views
inline constexpr int kIdCopyDown = 5;
inline constexpr int kIdCopyLabel = 1094;
inline constexpr int kIdCopyUp = 1011;
inline constexpr int kIdView2 = 6;
inline constexpr int kIdHelp = 4;
inline constexpr int kIdExit = 2;

// Sound, shared by both views
inline constexpr int kIdMusicScale = 1045;
inline constexpr int kIdBaseFrequency = 1017;
inline constexpr int kIdFade = 1016;
inline constexpr int kIdVolume = 1032;
inline constexpr int kIdMute = 1055;

}  // namespace tessaly
