#include "main/PrintCommand.h"

#include "core/Datas.h"
#include "core/GerberParameters.h"
#include "main/FormMain.h"
#include "main/MainHooks.h"
#include "main/OpenCommands.h"
#include "output/FormPrint.h"
#include "output/PrintEngine.h"
#include "platform/Error.h"
#include "platform/TextFile.h"
#include "platform/qt/MessageBoxes.h"
#include "view/LayerList.h"

#include <array>
#include <bit>
#include <cstdint>
#include <string>

namespace mainwin {

void SaveViewRecord(const std::filesystem::path& path)
{
    const core::MyExtents& e = core::Extents;
    const std::array<double, 16> fields{e.MinX,    e.MaxX,    e.MinY,      e.MaxY,       e.Width,    e.Height,  e.CentreX,   e.CentreY,
                                        e.OriginX, e.OriginY, e.ViewWidth, e.ViewHeight, e.ViewLeft, e.ViewTop, e.ViewRight, e.ViewBottom};
    std::string bytes;
    bytes.reserve(fields.size() * 8);
    for (const double v : fields) {
        const auto bits = std::bit_cast<std::uint64_t>(v);
        for (int k = 0; k < 8; ++k) bytes.push_back(static_cast<char>((bits >> (8 * k)) & 0xFF));
    }
    platform::WriteFileBytes(path, bytes);
}

void ConnectPrintDialog()
{
    PrintCommand = [] {
        const std::filesystem::path path = core::WorkFolder() / output::DataAreaFile;
        try {
            SaveViewRecord(path);
        } catch (const platform::Error& e) {
            platform::ShowError(e.what());
            return;
        }
        if (output::TFormPrint* form = output::FormPrint()) form->ShowModal();
        std::error_code ec;
        std::filesystem::remove(path, ec);
        // The dialog prints what it shows: the main window shows it too.
        ShownLayerCount = CountActiveLayers();
        if (TFormMain* main = FormMain()) {
            main->DrawLayerTable();
            main->RedrawView();
        }
    };
    SignalLayersChanged = [] {
        if (output::TFormPrint* form = output::FormPrint()) form->LayersChanged = true;
    };
}

} // namespace mainwin
