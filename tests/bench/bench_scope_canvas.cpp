// Canvas redraw cost: a full redraw of 4992 samples over 8 channels (Join, zoom 1) on the
// oscilloscope canvas, beside a bare memory DC that clears a bitmap of the same size and
// draws the same points with one DrawLines per channel. Needs a display (DISPLAY).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <wx/app.h>
#include <wx/dcmemory.h>
#include <wx/frame.h>
#include <wx/graphics.h>
#include <wx/init.h>

#include "pages/scope/scope_canvas.h"

using namespace torvex;

namespace {

using Clock = std::chrono::steady_clock;

ScopeCapture benchCapture() {
    ScopeCapture capture;
    capture.channelCount = 8;
    capture.sampleCount = 4992;
    for (int n = 0; n < kScopeChannels; ++n) capture.channelRegisters[n] = 0x30 + n;
    for (uint32_t k = 0; k < capture.sampleCount / 8; ++k)
        for (int n = 0; n < 8; ++n) capture.samples.push_back(static_cast<int32_t>((k * 37 + n * 1000) % 4000) - 2000);
    return capture;
}

template <typename F>
double secondsPerRun(F&& run, int runs) {
    run();  // warm-up
    auto start = Clock::now();
    for (int i = 0; i < runs; ++i) run();
    return std::chrono::duration<double>(Clock::now() - start).count() / runs;
}

class BenchApp : public wxApp {
public:
    bool OnInit() override { return true; }
};

}  // namespace

wxIMPLEMENT_APP_NO_MAIN(BenchApp);

int main(int argc, char** argv) {
    // The run count is ours; the GUI library sees no arguments.
    const int runs = argc > 1 ? std::atoi(argv[1]) : 200;
    int guiArgc = 1;
    if (!wxEntryStart(guiArgc, argv) || !wxTheApp || !wxTheApp->CallOnInit()) {
        std::fprintf(stderr, "bench_scope_canvas: the GUI library could not start (no display?)\n");
        return 1;
    }
    {
        wxFrame* frame = new wxFrame(nullptr, wxID_ANY, "bench");
        ScopeCanvas* canvas = new ScopeCanvas(frame);
        ScopeCapture capture = benchCapture();
        ScopeView view;
        for (int n = 0; n < kScopeChannels; ++n) {
            view.channels[n].colour = kScopeDefaultColours[n];
            view.channels[n].uDiv = 1000;
        }

        // The same points, computed once outside the timing.
        std::vector<std::vector<wxPoint>> lines(kScopeChannels);
        std::vector<ScopePoint> points;
        for (int n = 0; n < kScopeChannels; ++n) {
            tracePoints(capture, view, n, points);
            for (const ScopePoint& p : points) lines[n].emplace_back(p.x, p.y);
        }
        wxBitmap bare(kCanvasWidth, kCanvasHeight);
        auto bareRedraw = [&](bool aliased) {
            wxMemoryDC dc(bare);
            if (aliased)
                if (wxGraphicsContext* context = dc.GetGraphicsContext()) context->SetAntialiasMode(wxANTIALIAS_NONE);
            dc.SetBackground(*wxBLACK_BRUSH);
            dc.Clear();
            for (int n = 0; n < kScopeChannels; ++n) {
                const ScopeRgb& c = view.channels[n].colour;
                dc.SetPen(wxPen(wxColour(c.red, c.green, c.blue), 1, wxPENSTYLE_SOLID));
                dc.DrawLines(static_cast<int>(lines[n].size()), lines[n].data());
            }
        };

        double canvasTime = secondsPerRun([&] { canvas->redraw(capture, view); }, runs);
        double gridTime = secondsPerRun([&] { canvas->drawGrid(view, false); }, runs);
        ScopeCapture none;
        double emptyTime = secondsPerRun([&] { canvas->redraw(none, view); }, runs);
        std::printf("grid only %.3f ms, redraw without capture %.3f ms\n", gridTime * 1e3, emptyTime * 1e3);
        double bareTime = secondsPerRun([&] { bareRedraw(false); }, runs);
        double bareAliasedTime = secondsPerRun([&] { bareRedraw(true); }, runs);
        std::printf("canvas redraw (4992 samples, 8 channels, Join, zoom 1): %.3f ms\n", canvasTime * 1e3);
        std::printf("bare memory DC clear + DrawLines:                        %.3f ms\n", bareTime * 1e3);
        std::printf("bare memory DC, aliased like the canvas:                 %.3f ms\n", bareAliasedTime * 1e3);
        std::printf("ratio canvas / bare: %.2f (aliased bare: %.2f)\n", canvasTime / bareTime,
                    canvasTime / bareAliasedTime);
        frame->Destroy();
    }
    wxTheApp->OnExit();
    wxEntryCleanup();
    return 0;
}
