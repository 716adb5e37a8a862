#pragma once
// "Vardex appearance settings": the lock screen's picture, its preview and whether it shows;
// where the lock screen's status shows and when the tray warns before the time runs out.
#include "ConfigPage_win.h"
#include "common/JpegDecoder.h"
#include "common/Reports.h"

#include <optional>
#include <string>

namespace vardex {

class AppearancePage final : public ConfigPage {
public:
    AppearancePage(ConfigModel& model, std::function<void()> onChange, std::string programDirectory, ErrorSink& errors)
        : ConfigPage(model, std::move(onChange)), programDirectory_(std::move(programDirectory)), errors_(errors)
    {
    }
    void Fill() override;

protected:
    bool OnCommand(int id, int code, HWND control) override;
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    void BackImageChange();
    void Browse();
    void FillStatus();
    void WarningMinutesChange();
    // The picture of the file, or none; false when the file does not exist.
    bool LoadPreview(const std::string& path, bool report);
    void DrawItem(const DRAWITEMSTRUCT& item) const;

    std::string programDirectory_;
    ErrorSink& errors_;
    std::optional<DecodedImage> preview_;
    bool previewIsProgramPicture_ = false;  // its title is drawn, as the lock screen draws it
};

}  // namespace vardex
