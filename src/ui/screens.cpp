#include "ui/screens.h"

namespace delver {

namespace {

constexpr unsigned PassPauseMs = 100;
constexpr unsigned WholeFilePauseMs = 1000;
constexpr int CaptionX = 20, CaptionY = 100, ProgressY = 89, FailureY = 78;

constexpr const char* SaveCaptions[] = {"Saving dungeon maps", "Saving flagmap maps", "Saving units",
                                        "Saving variables"};
constexpr const char* LoadCaptions[] = {"Loading dungeon maps", "Loading flagmap maps", "Loading units",
                                        "Loading variables"};
constexpr int SlotFiles = 4;

unsigned PartPauseMs(int percent) { return percent >= 0 ? PassPauseMs : WholeFilePauseMs; }

}  // namespace

void ShowScreenThenPause(FrameState& frame, Display& display, Clock& clock, int pixelZoom, unsigned pauseMs) {
    PresentFrame(frame, display, pixelZoom);
    clock.Sleep(pauseMs);
}

void ShowSlotPartScreen(FrameState& frame, Display& display, Clock& clock, int pixelZoom, bool saving, int file,
                        int percent) {
    ClearFrame(frame);
    if (file >= 0 && file < SlotFiles) {
        FormatText(frame, "%s", saving ? SaveCaptions[file] : LoadCaptions[file]);
        DrawTextLarge(frame, CaptionX, CaptionY, 255, 255, 0);
    }
    if (percent >= 0) {
        FormatText(frame, "%d/100.", percent);
        DrawTextLarge(frame, CaptionX, ProgressY, 255, 255, 0);
    }
    ShowScreenThenPause(frame, display, clock, pixelZoom, PartPauseMs(percent));
}

void PauseAfterSlotPart(Clock& clock, int percent) { clock.Sleep(PartPauseMs(percent)); }

void ShowSaveFailed(FrameState& frame, Display& display, int pixelZoom, bool needsRepair) {
    FormatText(frame, needsRepair ? "SAVE FAILED - SLOT NEEDS REPAIR" : "SAVE FAILED - OLD SLOT KEPT");
    DrawTextLarge(frame, CaptionX, FailureY, 255, 255, 0);
    PresentFrame(frame, display, pixelZoom);
}

}  // namespace delver
