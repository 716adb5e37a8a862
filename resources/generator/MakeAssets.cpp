// Build tool: draws and synthesises the program's icons, lock-screen background and alarm sound
// into the folder given on the command line.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <span>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "Alarm.h"
#include "Background.h"
#include "Icons.h"
#include "WindowIcons.h"

namespace {

namespace fs = std::filesystem;

// Written beside the target first and then renamed, so that a failed run never leaves a
// truncated file that the build would take as up to date.
void WriteFile(const fs::path& path, std::span<const std::uint8_t> bytes)
{
    fs::path temporary = path;
    temporary += ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            throw std::runtime_error("cannot write " + temporary.string());
        }
    }
    fs::rename(temporary, path);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argc > 0 ? argv[0] : "make_assets");
        return 2;
    }
    try {
        namespace assets = vardex::assets;
        const fs::path folder = argv[1];
        fs::create_directories(folder);
        WriteFile(folder / "vardex.ico", assets::TrayIcon());
        WriteFile(folder / "lock.ico", assets::MenuLockIcon());
        WriteFile(folder / "lockstandby.ico", assets::MenuStandbyIcon());
        WriteFile(folder / "configure.ico", assets::MenuConfigureIcon());
        for (const assets::IconFile& icon : assets::WindowIconFiles()) {
            WriteFile(folder / icon.name, icon.bytes);
        }
        WriteFile(folder / "scrlogo.jpg", assets::EncodeJpeg(assets::DrawLockScreen(1920, 1080), 90));
        WriteFile(folder / "alarm.wav", assets::EncodeWav(assets::SynthesizeAlarm(), assets::kAlarmSampleRate));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_assets: %s\n", e.what());
        return 1;
    }
    return 0;
}
