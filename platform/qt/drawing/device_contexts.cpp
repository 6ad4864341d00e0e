// Device contexts: drawing into a window's retained surface outside any
// paint handling. Releasing the context schedules the update that puts the
// changed part on screen.
#include "platform/drawing.h"

#include <QFontMetrics>
#include <QPainter>
#include <QRegion>

#include <algorithm>
#include <functional>
#include <string>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "platform/qt/base/lifetime.h"
#include "platform/qt/base/qt_text.h"
#include "platform/qt/surfaces/surface_widget.h"
#include "platform/qt/base/system_colours.h"
#include "platform/qt/base/text_format.h"
#include "platform/qt/windows/window_object.h"
#include "platform/wide_text.h"

namespace platform::qt {
namespace {
class ContextPainter;
}
}

namespace platform {

struct DrawingObject {
    WindowObject* window = nullptr;
    // The platform's defaults for a new context.
    Colour background = MakeColour(255, 255, 255);
    Colour text = MakeColour(0, 0, 0);
    std::int32_t backgroundMode = BACKGROUND_OPAQUE;
    QRect changed;  // what has been drawn since the context was got
    // What was asked of the context, in order; played on the surface when
    // the context is released, unless the surface shows exactly that already.
    std::vector<std::function<void(qt::ContextPainter&)>> steps;
    std::string script;      // a byte record of the steps and the state they used
    QRegion filledFirst;     // opaque fills made before any text
    bool textDrawn = false;
};

}  // namespace platform

namespace platform::qt {

namespace {

// TextOut: clip the text to the rectangle.
constexpr std::uint32_t TEXT_OUT_CLIPPED = 4;

std::vector<std::unique_ptr<DrawingObject>>& Contexts() {
    static auto* contexts = new std::vector<std::unique_ptr<DrawingObject>>();  // kept: see lifetime.h
    return *contexts;
}

DrawingObject* LiveContext(DeviceContext context) {
    for (const auto& owned : Contexts()) {
        if (owned.get() == context) return owned.get();
    }
    return nullptr;
}

// Coordinates far outside any surface are brought in to where they still
// clip the same way, so no arithmetic on them can overflow.
constexpr std::int32_t FARTHEST_COORDINATE = 1 << 24;

int Bounded(std::int32_t value) { return std::clamp(value, -FARTHEST_COORDINATE, FARTHEST_COORDINATE); }

// A platform rectangle as Qt's (whose right and bottom are inclusive); an
// inverted rectangle stays empty rather than being turned around.
QRect ToQRect(const Rect& rect) {
    return QRect(QPoint(Bounded(rect.left), Bounded(rect.top)),
                 QPoint(Bounded(rect.right) - 1, Bounded(rect.bottom) - 1));
}

// The state a text step draws with, as it was when the step was asked for.
struct TextState {
    Colour text;
    Colour background;
    std::int32_t backgroundMode;
};

// A control draws with its dialog's context font.
QFont ContextFont(const DrawingObject& context) {
    return context.window->kind == WindowObject::Kind::Control ? context.window->dialog->contextFont
                                                               : context.window->contextFont;
}

// A painter on a context's surface. Fills name their colour; only text
// needs the context's font and colours, so a fill does not pay for them.
class ContextPainter {
public:
    explicit ContextPainter(DrawingObject& context)
        : context_(context), surface_(*SurfaceOf(context.window)), painter_(&surface_.Surface()) {}

    void PrepareForText(const TextState& state) {
        painter_.setFont(ContextFont(context_));
        painter_.setPen(ToQColor(state.text));
        painter_.setBackground(ToQColor(state.background));
        painter_.setBackgroundMode(state.backgroundMode == BACKGROUND_OPAQUE ? Qt::OpaqueMode
                                                                             : Qt::TransparentMode);
        painter_.setClipping(false);
    }

    QPainter& Painter() { return painter_; }

private:
    DrawingObject& context_;
    SurfaceWidget& surface_;
    QPainter painter_;
};

// Appends the bytes of values to a step's record.
template <typename... Values>
void Note(std::string& script, const Values&... values) {
    (script.append(reinterpret_cast<const char*>(&values), sizeof values), ...);
}

void NoteText(std::string& script, const QString& text) {
    Note(script, text.size());
    script.append(reinterpret_cast<const char*>(text.utf16()),
                  static_cast<std::size_t>(text.size()) * sizeof(char16_t));
}

void Changed(DrawingObject& context, const QRect& area) {
    context.changed |= area.intersected(SurfaceOf(context.window)->rect());
}

// Replaying the steps gives the same pixels whatever the surface held before
// only when opaque fills cover it all before any text is blended in.
bool CoversTheSurface(const DrawingObject& context) {
    const QRegion surface(SurfaceOf(context.window)->rect());
    return surface.subtracted(context.filledFirst).isEmpty();
}

// The context when it is live and its window still has pixels to draw on
// (a window of no size has none).
DrawingObject* UsableContext(DeviceContext context) {
    DrawingObject* live = LiveContext(context);
    const SurfaceWidget* surface = live != nullptr ? SurfaceOf(LiveLocalWindow(live->window)) : nullptr;
    return surface != nullptr && !surface->Surface().isNull() ? live : nullptr;
}

// Draws characters with their top-left corner at x, y; returns where they went.
QRect DrawCharacters(QPainter& painter, std::int32_t x, std::int32_t y, const QString& text,
                     const std::vector<std::int32_t>& spacing) {
    const QFontMetrics metrics = painter.fontMetrics();
    const int baseline = y + metrics.ascent();
    if (spacing.empty()) {
        painter.drawText(QPoint(x, baseline), text);
        return QRect(x, y, metrics.horizontalAdvance(text), metrics.height());
    }
    int penX = x;
    for (qsizetype i = 0; i < text.size(); ++i) {
        painter.drawText(QPoint(penX, baseline), QString(text[i]));
        penX += spacing[static_cast<std::size_t>(i)];
    }
    return QRect(QPoint(std::min(x, penX), y), QPoint(std::max(x, penX), y + metrics.height()));
}

// Ends every context of `window` (and of a dialog's controls); later calls
// with those contexts fail.
void ForgetContextsOf(const WindowObject* window) {
    auto& contexts = Contexts();
    contexts.erase(std::remove_if(contexts.begin(), contexts.end(),
                                  [window](const auto& context) {
                                      return NamesDialogOrItsControl(context->window, window);
                                  }),
                   contexts.end());
}

void ReleaseAllContexts() { Contexts().clear(); }

}  // namespace

}  // namespace platform::qt

namespace platform {

using namespace platform::qt;

DeviceContext GetDeviceContext(WindowHandle window) {
    WindowObject* target = LiveLocalWindow(window);
    if (SurfaceOf(target) == nullptr) return nullptr;
    auto context = std::make_unique<DrawingObject>();
    context->window = target;
    CleanUpAtLayerEnd(LayerStage::DeviceContexts, ReleaseAllContexts);
    ForgetWindowsThrough(ForgetContextsOf);
    Contexts().push_back(std::move(context));
    return Contexts().back().get();
}

bool ReleaseDeviceContext(WindowHandle window, DeviceContext context) {
    DrawingObject* live = LiveContext(context);
    if (live == nullptr || live->window != window) return false;
    SurfaceWidget* surface = SurfaceOf(LiveLocalWindow(window));
    if (surface != nullptr && !live->steps.empty() && !surface->Surface().isNull()) {
        // A gauge redrawn with the text and share it shows already leaves
        // every pixel as it is: the refresh does that for most gauges each
        // second, and skipping it spares the drawing and the screen update.
        const bool repeat = CoversTheSurface(*live) && surface->Shows(live->script);
        if (!repeat) {
            ContextPainter painter(*live);
            for (const auto& step : live->steps) step(painter);
            surface->ShowDrawing(live->changed);
            surface->Played(CoversTheSurface(*live) ? std::move(live->script) : std::string());
        }
    }
    if (!live->changed.isEmpty()) live->window->drawnThrough = true;
    auto& contexts = Contexts();
    contexts.erase(std::find_if(contexts.begin(), contexts.end(),
                                [live](const auto& owned) { return owned.get() == live; }));
    return true;
}

Colour SetBackgroundColour(DeviceContext context, Colour colour) {
    DrawingObject* live = LiveContext(context);
    if (live == nullptr) return 0xFFFFFFFF;  // the platform's invalid colour
    return std::exchange(live->background, colour);
}

Colour SetTextColour(DeviceContext context, Colour colour) {
    DrawingObject* live = LiveContext(context);
    if (live == nullptr) return 0xFFFFFFFF;
    return std::exchange(live->text, colour);
}

std::int32_t SetBackgroundMode(DeviceContext context, std::int32_t mode) {
    DrawingObject* live = LiveContext(context);
    if (live == nullptr || (mode != BACKGROUND_TRANSPARENT && mode != BACKGROUND_OPAQUE)) return 0;
    return std::exchange(live->backgroundMode, mode);
}

bool TextOut(DeviceContext context, std::int32_t x, std::int32_t y, std::uint32_t options,
             const Rect* rect, const char16_t* text, std::uint32_t count,
             const std::int32_t* spacing) {
    DrawingObject* live = UsableContext(context);
    if (live == nullptr || (count > 0 && text == nullptr)) return false;
    const QRect area = rect != nullptr ? ToQRect(*rect) : QRect();
    const bool fill = (options & TEXT_OUT_OPAQUE) && !area.isEmpty();
    const QString characters = count > 0 ? ToQString(std::u16string_view(text, count)) : QString();
    const bool clipped = (options & TEXT_OUT_CLIPPED) && rect != nullptr;
    if (count > 0 && clipped && area.isEmpty()) return true;
    std::vector<std::int32_t> steps;
    if (count > 0 && spacing != nullptr) steps.assign(spacing, spacing + count);
    const TextState state{live->text, live->background, live->backgroundMode};

    Note(live->script, 'T', area, fill, x, y, clipped, state.text, state.background,
         state.backgroundMode);
    NoteText(live->script, characters);
    for (std::int32_t step : steps) Note(live->script, step);
    if (fill) {
        Changed(*live, area);
        if (!live->textDrawn) live->filledFirst += area;
    }
    if (count > 0) {
        live->textDrawn = true;
        // Where text lands is known only once it is laid out.
        Changed(*live, clipped ? area : SurfaceOf(live->window)->rect());
    }
    live->steps.push_back([=](ContextPainter& painter) {
        if (fill) painter.Painter().fillRect(area, ToQColor(state.background));
        if (characters.isEmpty()) return;
        painter.PrepareForText(state);
        if (clipped) painter.Painter().setClipRect(area);
        DrawCharacters(painter.Painter(), x, y, characters, steps);
    });
    return true;
}

Colour GetSystemColour(std::int32_t index) {
    const std::optional<QColor> colour = SystemColourOf(index);
    return colour ? ToColour(*colour) : 0;
}

std::int32_t DrawText(DeviceContext context, const char16_t* text, std::int32_t count, Rect* rect,
                      std::uint32_t format) {
    DrawingObject* live = UsableContext(context);
    if (live == nullptr || text == nullptr || rect == nullptr || count < -1) return 0;
    const std::size_t length = count == -1 ? WideLength(text) : static_cast<std::size_t>(count);
    const QString characters = ToQString(std::u16string_view(text, length));
    const QFont font = ContextFont(*live);
    QRect area = ToQRect(*rect);
    if (format & DRAW_TEXT_CALCULATE_RECT) {
        const int height = MeasureFormattedText(QFontMetrics(font), area, characters, format);
        rect->right = rect->left + area.width();
        rect->bottom = rect->top + area.height();
        return height;
    }
    const TextState state{live->text, live->background, live->backgroundMode};
    Note(live->script, 'D', area, format, state.text, state.background, state.backgroundMode);
    NoteText(live->script, characters);
    if (!characters.isEmpty()) live->textDrawn = true;
    // Unclipped text may land anywhere on the surface.
    Changed(*live, (format & DRAW_TEXT_NO_CLIP) ? SurfaceOf(live->window)->rect() : area);
    live->steps.push_back([=](ContextPainter& painter) {
        painter.PrepareForText(state);
        QRect place = area;
        DrawFormattedText(painter.Painter(), place, characters, format);
    });
    QRect measured = area;
    return MeasureFormattedText(QFontMetrics(font), measured, characters, format);
}

}  // namespace platform
