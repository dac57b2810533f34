#pragma once

// Identifiers of the main window's controls, menu commands, timer and the scroll
// notification codes its handlers distinguish. Each control also carries an objectName
// ("ctl" + id, e.g. "ctl1002") and each menu command one ("cmd" + id) so tests and
// accessibility tools can find them.
namespace sundrel::gui::ids {

// Controls of the main window.
inline constexpr int kSplit = 1; // the dialog's OK button
inline constexpr int kSlider = 1001;
inline constexpr int kPlay = 1002;
inline constexpr int kAddMarker = 1003;
inline constexpr int kZeroLabel = 1004;
inline constexpr int kDuration = 1005;
inline constexpr int kPosition = 1006;
inline constexpr int kStop = 1007;
inline constexpr int kPause = 1008;
inline constexpr int kSplitStatus = 1009;
inline constexpr int kMarkers = 1010;
inline constexpr int kViewFrame = 1015;
inline constexpr int kScrollBar = 1022;
inline constexpr int kAnp = 1023;
inline constexpr int kRemoveMarker = 1024;
inline constexpr int kWaveView = 1000; // the view window created over kViewFrame

// Menu commands.
inline constexpr int kCmdManual = 32772;
inline constexpr int kCmdAbout = 32773;
inline constexpr int kCmdSaveAs = 32775;
inline constexpr int kCmdExit = 32776;
inline constexpr int kCmdOpen = 32778;
inline constexpr int kCmdLoadWave = 32779;
inline constexpr int kCmdJumpToTime = 32780;
inline constexpr int kCmdAutoJump = 32784;
inline constexpr int kCmdUndo = 32790;
inline constexpr int kCmdRedo = 32791;
inline constexpr int kCmdRemoveMarker = 32792;
inline constexpr int kCmdRenameMarker = 32793;
inline constexpr int kCmdSave = 32794;
inline constexpr int kCmdZoomIn = 32795;
inline constexpr int kCmdZoomOut = 32796;
inline constexpr int kCmdZoomFit = 32797;
inline constexpr int kCmdZoomDefault = 32798;
inline constexpr int kCmdPlayPause = 32799;
inline constexpr int kCmdPlayFromPosition = 32800;
inline constexpr int kCmdPreview = 32801;
inline constexpr int kCmdPreviewLength = 32802;
inline constexpr int kCmdPreviousMarker = 32803;
inline constexpr int kCmdNextMarker = 32804;
inline constexpr int kCmdAddMarkerHere = 32805;
inline constexpr int kCmdHome = 32806;
inline constexpr int kCmdEnd = 32807;
inline constexpr int kCmdShortcuts = 32808;
// View > Zoom to 1 Minute, and Edit > Move Marker: earlier and later by the four steps.
inline constexpr int kCmdZoomMinute = 32809;
inline constexpr int kCmdMoveMarkerFirst = 32860; // 32860..32867
// View > Colours by Frequency and View > Dark.
inline constexpr int kCmdColoursByFrequency = 32880;
inline constexpr int kCmdDarkTheme = 32881;
// File > Import Markers, File > Export Markers and Edit > Mix Title and Artist.
inline constexpr int kCmdImportCue = 32850;
inline constexpr int kCmdImportLabels = 32851;
inline constexpr int kCmdImportTracklist = 32852;
inline constexpr int kCmdPasteTracklist = 32853;
inline constexpr int kCmdExportCue = 32854;
inline constexpr int kCmdExportLabels = 32855;
inline constexpr int kCmdExportTracklist = 32856;
inline constexpr int kCmdMixNames = 32857;
inline constexpr int kCmdSuggest = 32818;
inline constexpr int kCmdNextSuggestion = 32819;
inline constexpr int kCmdPreviousSuggestion = 32820;
inline constexpr int kCmdAcceptSuggestion = 32821;
inline constexpr int kCmdDismissSuggestion = 32822;
inline constexpr int kCmdAcceptAllSuggestions = 32823;
// File > Match Tracks from Folder or Playlist.
inline constexpr int kCmdMatchTracks = 32870;
// Tool > Other Place for Suggestion: the next place the analysis found for it.
inline constexpr int kCmdOtherPlace = 32824;
// Nudges of the position: back and forward by the four steps (see NudgeSeconds).
inline constexpr int kCmdNudgeFirst = 32810; // 32810..32817
// Edit > Preferences and File > Open Recent's "Clear Menu" (its entries carry no id).
inline constexpr int kCmdPreferences = 32840;
inline constexpr int kCmdClearRecent = 32841;

// The position tick of the transport.
inline constexpr int kTickMs = 100;

// Position slider range: tenths of a percent of the mix.
inline constexpr int kSliderMax = 1000;
// View scroll bar: range 0..20, the thumb rests at 10.
inline constexpr int kScrollMax = 20;
inline constexpr int kScrollRest = 10;

// Scroll notification codes (low word of a horizontal scroll message).
inline constexpr int kSbLineLeft = 0;
inline constexpr int kSbLineRight = 1;
inline constexpr int kSbPageLeft = 2;
inline constexpr int kSbPageRight = 3;
inline constexpr int kSbThumbPosition = 4;
inline constexpr int kSbEndScroll = 8;
// The trackbar's codes share the values: TB_THUMBPOSITION 4, TB_THUMBTRACK 5, TB_ENDTRACK 8.
inline constexpr int kTbLineUp = 0;
inline constexpr int kTbLineDown = 1;
inline constexpr int kTbPageUp = 2;
inline constexpr int kTbPageDown = 3;
inline constexpr int kTbThumbPosition = 4;
inline constexpr int kTbThumbTrack = 5;
inline constexpr int kTbTop = 6;
inline constexpr int kTbBottom = 7;

} // namespace sundrel::gui::ids
