#include "controller/CanvasController.h"

#include <cmath>
#include <iostream>

#include "brush/Palette.h"
#include "controller/DragGestures.h"
#include "controller/KeyCommand.h"
#include "controller/LessonExport.h"
#include "controller/PageFiles.h"
#include "document/Drawing.h"

namespace {
constexpr int kCanvas = 0, kBorder = 1, kMenu = 2, kHandle = 3, kIndicator = 4;
// Drags this close to a window edge are dropped (screen pixels).
constexpr float kEdgeMargin = 5.0f;
constexpr float kMenuSize = 80.0f;
constexpr float kMenuInnerRadius = 80.0f;
// Free space between the menu's outermost button and the border band, pixels.
constexpr float kMenuClearance = 10.0f;
}  // namespace

Vec2 CanvasController::menuHome() const {
    // The ring buttons reach innerRadius + size from the centre (sliders and toggles less).
    // This far from the lower left corner on both axes, the menu stays clear of the border
    // band and the corner zones in every window from 800 x 600 up, and of the page-flip
    // triangles at the start view (the page's lower left corner at (50, 50), zoom 1).
    const float at = borderMargin + menu.innerRadius + menu.size + kMenuClearance;
    return {at, at};
}

CanvasController::CanvasController(Drawing* d, Stopwatch sw, FrameClock frameClock)
    : drawing(d),
      menu(0.0f, 0.0f, kMenuSize, kMenuInnerRadius, this),
      stopwatch(std::move(sw)),
      frameClock_(std::move(frameClock)) {
    menu.home = menuHome();
    menu.position = menu.home;
}

double CanvasController::frameNow() const {
    // Without a frame clock, fall back to the stopwatch in milliseconds.
    return frameClock_ ? frameClock_() : stopwatch.now() * 1000.0;
}

int CanvasController::classifyHit(float x, float y) {
    const int h = menu.hitTest({x, y});
    if (h == 0) return kMenu;
    if (h > 0) {
        menuItem = h;
        return kMenu;
    }
    const struct {
        float cx, cy;
        int gesture;
    } corners[] = {
        {0.0f, 0.0f, 5}, {viewWidth, 0.0f, 6}, {0.0f, viewHeight, 8}, {viewWidth, viewHeight, 7}};
    for (const auto& c : corners) {
        if (distance({x, y}, {c.cx, c.cy}) < cornerRadius) {
            logCommand(14);
            gesture = c.gesture;
            return kBorder;
        }
    }
    if (x < borderMargin || x > viewWidth - borderMargin || y < borderMargin ||
        y > viewHeight - borderMargin)
        return kBorder;
    if (indicator.hit(x, y)) return kIndicator;
    if (drawing->selectionBox.shown) {
        handleIndex = handleHit(x, y);
        if (handleIndex >= 0) return kHandle;
    }
    pageFlip = drawing->bandHitTest(x, y);
    return kCanvas;
}

int CanvasController::handleHit(float x, float y) const {
    const auto& box = drawing->selectionBox;
    float px = x, py = y;
    drawing->screenToCanvas(px, py);
    const Vec2 p(px, py);
    Vec2 h[4];
    for (int i = 0; i < 4; ++i) {
        h[i] = (box.corners[i] * 2.0f + box.diagonals[i] * box.handleSize) * 0.5f;
        if (distance(p, h[i]) < box.cornerCircleSize / drawing->view.zoom * 0.5f) return i;
    }
    for (int j = 0; j < 4; ++j)
        if (pointSegmentDistance(h[j], h[(j + 1) % 4], p) < box.handleSize * 0.7f) return j + 4;
    const Vec2 side = box.corners[1] - box.corners[2];
    if (length(side) > 0.0f) {
        Vec2 e = normalized(side) * 45.0f;
        for (int k = 0; k < 3; ++k) {
            if (distance(p, box.corners[1] + e) < 15.0f) return k + 8;
            rotate(e, -0.7853982f);
        }
    }
    return -1;
}

void CanvasController::onPress(float x, float y, int altButton, float pressure) {
    if (pressed) return;
    pressSecond = static_cast<int>(stopwatch.seconds());
    pressed = true;
    releaseHandled = false;
    began = Began::Nothing;
    activeButton = altButton;
    pressX = x;
    pressY = y;
    lastPressure = pressure;
    switch (classifyHit(x, y)) {
        case kCanvas:
            if (pageFlip == 1 || pageFlip == 2) {
                const int flip = pageFlip;
                pageFlip = 0;
                if (flip == 1)
                    flipToPreviousPage();
                else
                    flipToNextPage();
                break;
            }
            if (drawing->selectionBox.shown) break;
            if (altButton == 0 && mode == 0) {
                logCommand(1);
                strokeStart = {x, y};
                strokeStartTime = frameNow();
                drawing->beginStroke(x, y, pressure);
                began = Began::Stroke;
            } else if (altButton == 0) {
                logCommand(2);
                drawing->beginDeform(x, y, 0);
                began = Began::Deform;
            } else if (mode == 0) {
                drawing->eraseAt(x, y, pressure);
                began = Began::Erase;
            } else {
                logCommand(3);
                drawing->beginDeform(x, y, 1);
                began = Began::Deform;
            }
            break;
        case kBorder:
            logCommand(0);
            borderPressed = 1;
            break;
        case kMenu:
            menuPressed = 1;
            if (menuItem == 5) drawing->brush.pressureMode = (drawing->brush.pressureMode + 1) % 3;
            if (menuItem == 6) drawing->brush.speedMode = (drawing->brush.speedMode + 1) % 3;
            break;
        case kHandle:
            logCommand(4);
            handlePressed = 1;
            break;
        case kIndicator:
            logCommand(8);
            lassoArmed = 1;
            began = Began::Lasso;
            break;
    }
    lastX = x;
    lastY = y;
}

bool CanvasController::nearEdge(float x, float y) const {
    return x < kEdgeMargin || x > viewWidth - kEdgeMargin || y < kEdgeMargin ||
           y > viewHeight - kEdgeMargin;
}

void CanvasController::onDrag(float x, float y, float pressure) {
    const float dx = x - lastX, dy = y - lastY;
    if (nearEdge(x, y)) return;
    lastPressure = pressure;
    if (menuPressed || borderPressed || handlePressed) {
        dragGesture(x, y, dx, dy);
    } else if (lassoArmed) {
        const int kind = activeButton == 0 ? 0 : 1;
        const bool active = kind == 0 ? drawing->selectionBox.selectLassoActive
                                      : drawing->selectionBox.eraseLassoActive;
        if (active) {
            drawing->extendLasso(x, y, kind);
        } else {
            logCommand(kind == 0 ? 10 : 9);
            drawing->beginLasso(x, y, kind);
        }
    } else if (!drawing->selectionBox.shown) {
        if (activeButton == 0 && mode == 0)
            drawing->extendStroke(x, y, dx, dy, pressure);
        else if (activeButton == 1 && mode == 0)
            drawing->eraseAlong(lastX, lastY, x, y, pressure);
        else if (activeButton >= 0)
            drawing->deformDrag(lastX, lastY, dx, dy, pressure);
    }
    lastX = x;
    lastY = y;
}

void CanvasController::dragGesture(float x, float y, float dx, float dy) {
    if (menuPressed)
        gestures::menuSliderDrag(*this, x, y, dx, dy);
    else if (borderPressed)
        gestures::borderDrag(*this, x, y, dx, dy);
    else if (handlePressed)
        gestures::handleDrag(*this, x, y, dx, dy);
}

void CanvasController::onRelease(float x, float y, int altButton) {
    pressed = false;
    if (menuPressed) {
        menu.restoreHome();
        menuPressed = 0;
        menuItem = -1;
        lastMenuButton = -1;
        activeButton = -1;
        return;
    }
    if (releaseHandled) return;
    releaseHandled = true;

    // What the press began ends before anything else: a stroke is finished (and so saved
    // and indexed) even when the release also counts as a tap.
    const bool marked = endCanvasGesture(x, y);

    const float d2 = (x - pressX) * (x - pressX) + (y - pressY) * (y - pressY);
    const float t = stopwatch.seconds();
    const bool held = static_cast<float>(holdSeconds) < t - static_cast<float>(pressSecond);
    const bool still = (held && d2 < 25.0f) || drawing->selectionBox.shown;
    if (lassoArmed) {
        lassoArmed = 0;
        // A lasso that was drawn is finished even while the box is shown; only a press that
        // drew none can be the tap that brings the menu.
        if (!endLasso() && still) {
            indicator.hide();
            menu.moveTo(x, y);
        }
    } else if (still && !marked) {
        if (altButton == 0 && handleIndex < 0) {
            if (!drawing->selectAt(x, y)) {
                if (drawing->selectionBox.shown) {
                    drawing->selectionBox.hide();
                    drawing->selection.clear();
                } else {
                    indicator.show(x, y, stopwatch.seconds());
                }
            }
        } else if (altButton == 0 && handleIndex >= 8 && handleIndex <= 10) {
            if (handleIndex == 9) drawing->deleteSelection();
            if (handleIndex == 10) drawing->defineBrush();
            drawing->selectionBox.hide();
        } else if (altButton == 1 && !drawing->selectionBox.shown) {
            indicator.show(x, y, stopwatch.seconds());
        }
    }

    if (borderPressed) {
        if (gesture >= 3) drawing->refreshVisibleStrokes();
        borderPressed = 0;
        gesture = -1;
    } else if (handlePressed) {
        handlePressed = 0;
        handleOp = -1;
        handleIndex = -1;
        drawing->fitSelectionBox();
    }
    drawing->drawingActive = false;
    drawing->deformToolActive = false;
    activeButton = -1;
    lastX = x;
    lastY = y;
}

bool CanvasController::endCanvasGesture(float x, float y) {
    const Began what = began;
    began = Began::Nothing;
    switch (what) {
        case Began::Stroke: {
            const bool drew = drawing->current && drawing->current->pointCount() >= 2;
            logStroke(x, y);
            drawing->endStroke(x, y);
            return drew;
        }
        case Began::Erase:
            // The eraser travelled on to where the button came up.
            if (!nearEdge(x, y) && (x != lastX || y != lastY))
                drawing->eraseAlong(lastX, lastY, x, y, lastPressure);
            return false;
        case Began::Deform: {
            const bool pushed = !drawing->deformed.empty();
            drawing->endDeform(drawing->openDeformTool() >= 0 ? drawing->openDeformTool() : 0);
            return pushed;
        }
        default:
            return false;
    }
}

bool CanvasController::endLasso() {
    SelectionBox& box = drawing->selectionBox;
    const bool select = activeButton == 0;
    const bool drawn = select ? box.selectLassoActive : box.eraseLassoActive;
    if (drawn) {
        if (select)
            drawing->finishSelectLasso();
        else
            drawing->finishEraseLasso();
    }
    // Nothing of a lasso outlives its press, whichever kind it was.
    if (box.selectLassoActive) box.endSelectLasso();
    if (box.eraseLassoActive) box.endEraseLasso();
    box.path.clear();
    return drawn;
}

void CanvasController::onPointer(float x, float y) {
    drawing->brush.reset(x, y);
    drawing->deformTool.screenPosition = {x, y};
}

void CanvasController::tick() { indicator.update(stopwatch.seconds()); }

void CanvasController::selectMenuButton(int id) {
    lastMenuButton = id;
    switch (id) {
        case 0:
        case 1:
            mode = id;
            modeButton = id;
            drawing->mode = id;
            break;
        case 2:
            drawing->clear();
            break;
        case 3:
            // The frame update advances the animation on the frame clock, so start it there.
            drawing->startViewReset(
                static_cast<std::uint32_t>(static_cast<std::uint64_t>(frameNow())));
            break;
        default:
            break;
    }
}

void CanvasController::selectColour(int i) {
    if (i < 0 || i >= static_cast<int>(kPalette.size())) return;
    drawing->brush.colour = kPalette[static_cast<std::size_t>(i)];
}

void CanvasController::onKey(const std::string& text) {
    switch (keyCommandFor(text)) {
        case KeyCommand::ToggleWireframe:
            drawing->wireframe = !drawing->wireframe;
            break;
        case KeyCommand::TogglePoints:
            drawing->showPoints = !drawing->showPoints;
            break;
        case KeyCommand::ToggleIndexCells:
            drawing->index.debugDraw = !drawing->index.debugDraw;
            break;
        case KeyCommand::SmoothnessDown:
            drawing->smoothness -= 0.5f;
            break;
        case KeyCommand::SmoothnessUp:
            drawing->smoothness += 0.5f;
            break;
        case KeyCommand::Clear:
            drawing->clear();
            break;
        case KeyCommand::Save:
            savePage("save");
            break;
        case KeyCommand::Load:
            drawing->loadXml(pageFileName(pageIndex));
            break;
        case KeyCommand::ExportSvg:
            drawing->exportSvg(svgFileName(pageIndex));
            break;
        case KeyCommand::ExportPdf:
            if (exporter) lesson::exportPdf(*drawing, pageIndex, *exporter);
            break;
        case KeyCommand::ExportPng:
            if (exporter) lesson::exportPng(*drawing, pageIndex, *exporter);
            break;
        case KeyCommand::None:
            break;
    }
}

bool CanvasController::savePage(const std::string& reason) {
    if (pages::save(*drawing, pageIndex)) return true;
    std::cout << "Page " << pageIndex << " was not saved; " << reason
              << " cancelled, the drawing is kept\n";
    return false;
}

bool CanvasController::flipToPreviousPage() {
    if (pageIndex < 1) return false;
    if (!savePage("page flip")) return false;
    --pageIndex;
    drawing->loadXml(pageFileName(pageIndex));
    return true;
}

bool CanvasController::flipToNextPage() {
    if (!savePage("page flip")) return false;
    ++pageIndex;
    drawing->loadXml(pageFileName(pageIndex));
    return true;
}

float CanvasController::secondsSinceStart(double frameMs) const {
    // Modular, like the stamp itself, so a clock past 2^32 ms still gives small differences.
    const auto ms = static_cast<std::uint32_t>(static_cast<std::uint64_t>(frameMs)) - startStamp;
    return static_cast<float>(static_cast<std::int32_t>(ms)) / 1000.0f;
}

// The log's times are in thousands of seconds (3.512 s after the start is written
// "0.003512"): tools that read these logs expect that unit.
void CanvasController::logCommand(int code) {
    log.addCommand(code, secondsSinceStart(frameNow()) / 1000.0f);
}

void CanvasController::logStroke(float x, float y) {
    const Vec2 v = Vec2(x, y) - strokeStart;
    const float an =
        static_cast<float>((std::atan2(0.0, 1.0) - std::atan2(v.y, v.x)) * 57.2957763671875);
    const float cAn = drawing->view.rotation;
    strokeStart = {0.0f, 0.0f};
    const double now = frameNow();
    const float sT = secondsSinceStart(strokeStartTime) / 1000.0f;
    const float dT = static_cast<float>((now - strokeStartTime) / 1000.0) / 1000.0f;
    log.addStroke(an, cAn, sT, dT);
}

std::string CanvasController::commandLogPath() const { return commandLogFileName(startStamp); }

bool CanvasController::writeCommandLog() const { return log.write(commandLogPath()); }

bool CanvasController::keepUnsavedDrawing() const {
    return pages::keepUnsaved(*drawing, pageIndex);
}
