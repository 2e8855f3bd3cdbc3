// Painting the canvas widget into an offscreen image, beside the floor: one
// drawImage of an image already scaled to the same area.
//
// Each case paints a viewport of at most 1200 x 800 view pixels of a 128 x 128
// document, as a scroll area shows it. The ratio counter is widget / floor in CPU
// time of this thread, the median of alternating batches, so that a busy machine
// skews neither.

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <time.h>

#include <QApplication>
#include <QPainter>
#include <QRegion>

#include <benchmark/benchmark.h>

#include "editor/editor_ui_state.h"
#include "editor/pixel_canvas_widget.h"
#include "model/color_mode.h"
#include "model/pixel_image.h"
#include "run_benchmarks.h"

namespace {

using pixmora::editor::CanvasRole;
using pixmora::editor::DocumentBinding;
using pixmora::editor::EditorTool;
using pixmora::editor::EditorUIState;
using pixmora::editor::MouseButton;
using pixmora::editor::PixelCanvasWidget;
using pixmora::model::PixelImage;
using pixmora::model::PixelRect;
using pixmora::model::RGBAColor;

constexpr int documentSide = 128;
constexpr int viewportWidth = 1200;
constexpr int viewportHeight = 800;
constexpr PixelRect selection{32, 32, 64, 64};
constexpr int liftOffset = 4;  // cells the lifted pixels are dragged by

enum class Content { transparent, opaque, floating };

const char* name(Content content)
{
    switch (content) {
    case Content::transparent:
        return "transparent";
    case Content::opaque:
        return "opaque";
    case Content::floating:
        return "floating";
    }
    return "?";
}

class MemoryDocument final : public DocumentBinding {
public:
    explicit MemoryDocument(PixelImage image) : m_image(std::move(image)) {}
    PixelImage image() const override { return m_image; }
    void setImage(const PixelImage& image) override { m_image = image; }

private:
    PixelImage m_image;
};

PixelImage documentImage(Content content)
{
    PixelImage image(documentSide, documentSide);
    if (content == Content::transparent) {
        return image;
    }
    const auto& palette = pixmora::model::palette(pixmora::model::ColorMode::sixteenColor);
    std::mt19937 random(12345);
    std::uniform_int_distribution<std::size_t> pick(0, palette.size() - 1);
    for (RGBAColor& pixel : image.pixels) {
        pixel = palette[pick(random)];
    }
    return image;
}

// One main canvas at a zoom with its state and document, and the viewport shown.
struct Scene {
    Scene(Content content, int zoom) : document(documentImage(content)), widget(CanvasRole::main)
    {
        state.setMainZoom(zoom);
        widget.setDocumentBinding(&document);
        widget.setUIState(&state);
        widget.resize(widget.sizeHint());
        if (content == Content::floating) {
            // Select, then drag the selection: its pixels lift and float.
            state.setCurrentTool(EditorTool::select);
            state.setSelectionRect(selection);
            auto& controller = widget.controller();
            const auto cellCentre = [zoom](std::int64_t x, std::int64_t y) {
                return QPointF((double(x) + 0.5) * zoom, (double(y) + 0.5) * zoom);
            };
            controller.mousePress(cellCentre(40, 40), MouseButton::left, false);
            controller.mouseDrag(cellCentre(40 + liftOffset, 40 + liftOffset), MouseButton::left,
                                 false);
            controller.mouseRelease(cellCentre(40 + liftOffset, 40 + liftOffset),
                                    MouseButton::left, false);
        }
        // Scrolled so that the floating selection's corner is in view.
        const QSize canvas = widget.size();
        const int width = std::min(viewportWidth, canvas.width());
        const int height = std::min(viewportHeight, canvas.height());
        const auto origin = [zoom](int extent, int shown) {
            return std::clamp(int(selection.x) * zoom - 100, 0, extent - shown);
        };
        viewport = QRect(origin(canvas.width(), width), origin(canvas.height(), height), width,
                         height);
        target = QImage(viewportWidth, viewportHeight, QImage::Format_ARGB32_Premultiplied);
        target.fill(Qt::black);
        paint();  // the first paint builds what later ones reuse
        floor = target.copy(QRect(QPoint(), viewport.size()))
                    .convertToFormat(QImage::Format_RGB32);
    }

    void paint() { widget.render(&target, QPoint(), QRegion(viewport)); }

    void paintFloor()
    {
        QPainter painter(&target);
        painter.drawImage(QPoint(), floor);
    }

    EditorUIState state;
    MemoryDocument document;
    PixelCanvasWidget widget;
    QRect viewport;
    QImage target;
    QImage floor;
};

double threadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// Adds a batch of `calls` calls to samples; the median CPU time per call so far.
double medianSeconds(const std::function<void()>& work, int calls, std::vector<double>& samples)
{
    const double start = threadSeconds();
    for (int i = 0; i < calls; ++i) {
        work();
    }
    samples.push_back((threadSeconds() - start) / calls);
    std::vector<double> sorted = samples;
    std::sort(sorted.begin(), sorted.end());
    return sorted[sorted.size() / 2];
}

void canvasPaint(benchmark::State& state, Content content, int zoom)
{
    Scene scene(content, zoom);
    for (auto _ : state) {
        scene.paint();
        benchmark::DoNotOptimize(scene.target.constBits());
    }
    // Alternate batches of both so that load on the machine hits them alike.
    const double batchStart = threadSeconds();
    scene.paint();
    const double once = threadSeconds() - batchStart;
    const int calls = std::clamp(int(0.02 / std::max(once, 1e-7)), 1, 10000);
    std::vector<double> widgetSamples;
    std::vector<double> floorSamples;
    double widgetTime = 0.0;
    double floorTime = 0.0;
    for (int round = 0; round < 9; ++round) {
        widgetTime = medianSeconds([&] { scene.paint(); }, calls, widgetSamples);
        floorTime = medianSeconds([&] { scene.paintFloor(); }, calls, floorSamples);
    }
    state.counters["floor_us"] = floorTime * 1e6;
    state.counters["widget_us"] = widgetTime * 1e6;
    state.counters["ratio"] = widgetTime / floorTime;
    state.counters["view_px"] = double(scene.viewport.width()) * scene.viewport.height();
    state.SetLabel(std::to_string(scene.viewport.width()) + "x"
                   + std::to_string(scene.viewport.height()));
}

// The same viewport after one pixel changed: the cost of a repaint during a stroke.
void canvasPaintAfterEdit(benchmark::State& state, Content content, int zoom)
{
    Scene scene(content, zoom);
    PixelImage image = documentImage(content);
    const std::int64_t cell = scene.viewport.left() / zoom + 2;
    std::int64_t step = 0;
    for (auto _ : state) {
        image.at(cell + (step % 8), cell) = RGBAColor{std::uint8_t(step), 0, 0, 255};
        ++step;
        scene.document.setImage(image);
        scene.widget.documentImageChanged();
        scene.paint();
        benchmark::DoNotOptimize(scene.target.constBits());
    }
}

// A tick of the marching ants: the phase moves on and the view is painted again.
void canvasPaintAntsTick(benchmark::State& state, int zoom)
{
    Scene scene(Content::floating, zoom);
    for (auto _ : state) {
        scene.widget.controller().advanceMarchingAnts();
        scene.paint();
        benchmark::DoNotOptimize(scene.target.constBits());
    }
}

void registerAll()
{
    for (const Content content : {Content::transparent, Content::opaque, Content::floating}) {
        for (const int zoom : {2, 6, 16, 48}) {
            const std::string suffix = std::string(name(content)) + "/zoom:" + std::to_string(zoom);
            benchmark::RegisterBenchmark(("CanvasPaint/" + suffix).c_str(), canvasPaint, content,
                                         zoom)
                ->Unit(benchmark::kMicrosecond);
        }
    }
    for (const int zoom : {2, 6, 16, 48}) {
        benchmark::RegisterBenchmark(("CanvasPaintAfterEdit/opaque/zoom:" + std::to_string(zoom))
                                         .c_str(),
                                     canvasPaintAfterEdit, Content::opaque, zoom)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(
            ("CanvasPaintAntsTick/floating/zoom:" + std::to_string(zoom)).c_str(),
            canvasPaintAntsTick, zoom)
            ->Unit(benchmark::kMicrosecond);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return pixmora::bench::runBenchmarks(argc, argv, registerAll);
}
