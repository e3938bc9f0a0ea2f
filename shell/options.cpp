#include "shell/options.h"

namespace shell {

namespace {

// Rows: frames; columns: buttons in page order.
//   type 1:  Tarvo, Okumura, Hesk, Dravik
//   type 2:  Okumura, Tarvo, Hesk, Dravik
//   decoder: Tarvo, Okumura, Hesk, Dravik
constexpr std::uint8_t kOptionValues[kAlgorithmFrameCount][kOptionsPerFrame] = {
    {3, 0, 1, 2},
    {3, 2, 0, 1},
    {0, 1, 2, 3},
};

std::uint8_t& SettingOf(Settings& settings, AlgorithmFrame frame) {
    switch (frame) {
    case AlgorithmFrame::CType1: return settings.CType1Algorithm;
    case AlgorithmFrame::CType2: return settings.CType2Algorithm;
    case AlgorithmFrame::Dec: break;
    }
    return settings.DecAlgorithm;
}

std::uint8_t SettingOf(const Settings& settings, AlgorithmFrame frame) {
    return SettingOf(const_cast<Settings&>(settings), frame);
}

}  // namespace

std::uint8_t OptionValue(AlgorithmFrame frame, int button) {
    return kOptionValues[static_cast<int>(frame)][button];
}

int OptionForValue(AlgorithmFrame frame, std::uint8_t value) {
    for (int button = 0; button < kOptionsPerFrame; ++button) {
        if (OptionValue(frame, button) == value) return button;
    }
    return -1;
}

int ChangeOptionsPage(OptionsPages& pages, int page, bool compressionEnabled) {
    if (page == pages.Shown || (page == kPageCompression && !compressionEnabled)) return pages.Shown;
    pages.Before = pages.Shown;
    pages.Shown = page;
    return page;
}

int ApplyCompressionEnabled(OptionsPages& pages, bool compressionEnabled) {
    if (!compressionEnabled && pages.Shown == kPageCompression) {
        // Before can only be the compression page if it was never left.
        const int back = pages.Before == kPageCompression ? kPageGeneral : pages.Before;
        pages.Before = pages.Shown;
        pages.Shown = back;
    }
    return pages.Shown;
}

OptionsForm FormFromSettings(const Settings& settings) {
    OptionsForm form;
    form.ItemsIndexTarvoDeCOMP = settings.ItemsIndexTarvoDeCOMP;
    form.GridLines = settings.GridLines;
    form.ColumnsReordering = settings.ColumnsReordering;
    form.RowsSelection = settings.RowsSelection;
    form.EnableCOptions = settings.EnableCOptions;
    form.EnableDragDrop = settings.EnableDragDrop;
    for (int f = 0; f < kAlgorithmFrameCount; ++f) {
        const auto frame = static_cast<AlgorithmFrame>(f);
        form.Selected[static_cast<std::size_t>(f)] = OptionForValue(frame, SettingOf(settings, frame));
    }
    return form;
}

void ApplyForm(const OptionsForm& form, Settings& settings) {
    settings.ItemsIndexTarvoDeCOMP = form.ItemsIndexTarvoDeCOMP;
    settings.GridLines = form.GridLines;
    settings.ColumnsReordering = form.ColumnsReordering;
    settings.RowsSelection = form.RowsSelection;
    settings.EnableCOptions = form.EnableCOptions;
    settings.EnableDragDrop = form.EnableDragDrop;
    for (int f = 0; f < kAlgorithmFrameCount; ++f) {
        const auto frame = static_cast<AlgorithmFrame>(f);
        const int button = form.Selected[static_cast<std::size_t>(f)];
        if (button >= 0 && button < kOptionsPerFrame) SettingOf(settings, frame) = OptionValue(frame, button);
    }
}

std::optional<std::string> ViewerExtensionFromAnswer(std::string_view answer) {
    if (answer.size() != kViewerExtensionLength) return std::nullopt;
    return UpperCaseLatin1(answer);
}

}  // namespace shell
