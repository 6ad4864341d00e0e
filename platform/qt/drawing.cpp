// Device contexts: drawing into a window's retained surface outside any
// paint handling. Releasing the context schedules the update that puts the
// changed part on screen.
#include "platform/drawing.h"

#include <QPainter>

#include <algorithm>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "platform/qt/device_contexts.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/surface_widget.h"
#include "platform/qt/system_colours.h"
#include "platform/qt/text_format.h"
#include "platform/qt/window_object.h"
#include "platform/wide_text.h"

namespace platform {

struct DrawingObject {
    WindowObject* window = nullptr;
    // The platform's defaults for a new context.
    Colour background = MakeColour(255, 255, 255);
    Colour text = MakeColour(0, 0, 0);
    std::int32_t backgroundMode = BACKGROUND_OPAQUE;
    QRect changed;  // what has been drawn since the context was got
};

}  // namespace platform

namespace platform::qt {

namespace {

// TextOut: clip the text to the rectangle.
constexpr std::uint32_t TEXT_OUT_CLIPPED = 4;

std::vector<std::unique_ptr<DrawingObject>>& Contexts() {
    static std::vector<std::unique_ptr<DrawingObject>> contexts;
    return contexts;
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

// A painter on the context's surface. Fills name their colour; only text
// needs the context's font and colours, so a fill does not pay for them.
class ContextPainter {
public:
    explicit ContextPainter(DrawingObject& context)
        : context_(context), surface_(*SurfaceOf(context.window)), painter_(&surface_.Surface()) {}

    // Takes on the context's font, text colour and background for text.
    void PrepareForText() {
        painter_.setFont(context_.window->kind == WindowObject::Kind::Control
                             ? context_.window->dialog->contextFont
                             : context_.window->contextFont);
        painter_.setPen(ToQColor(context_.text));
        painter_.setBackground(ToQColor(context_.background));
        painter_.setBackgroundMode(context_.backgroundMode == BACKGROUND_OPAQUE ? Qt::OpaqueMode
                                                                                : Qt::TransparentMode);
    }

    QPainter& Painter() { return painter_; }

    void Changed(const QRect& area) {
        context_.changed |= area.intersected(surface_.rect());
    }

private:
    DrawingObject& context_;
    SurfaceWidget& surface_;
    QPainter painter_;
};

// The context when it is live and its window still has pixels to draw on
// (a window of no size has none).
DrawingObject* UsableContext(DeviceContext context) {
    DrawingObject* live = LiveContext(context);
    const SurfaceWidget* surface = live != nullptr ? SurfaceOf(LiveLocalWindow(live->window)) : nullptr;
    return surface != nullptr && !surface->Surface().isNull() ? live : nullptr;
}

void DrawCharacters(ContextPainter& target, std::int32_t x, std::int32_t y, const QString& text,
                    const std::int32_t* spacing) {
    QPainter& painter = target.Painter();
    const QFontMetrics metrics = painter.fontMetrics();
    // The reference point is the text's top-left corner.
    int penX = x;
    const int baseline = y + metrics.ascent();
    if (spacing == nullptr) {
        painter.drawText(QPoint(penX, baseline), text);
        target.Changed(QRect(x, y, metrics.horizontalAdvance(text), metrics.height()));
        return;
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        painter.drawText(QPoint(penX, baseline), QString(text[i]));
        penX += spacing[i];
    }
    target.Changed(QRect(QPoint(std::min(x, penX), y), QPoint(std::max(x, penX), y + metrics.height())));
}

}  // namespace

void ForgetContextsOf(const WindowObject* window) {
    auto& contexts = Contexts();
    contexts.erase(std::remove_if(contexts.begin(), contexts.end(),
                                  [window](const auto& context) {
                                      return context->window == window ||
                                             BelongsToDialog(LiveWindow(context->window), window);
                                  }),
                   contexts.end());
}

void ReleaseAllContexts() { Contexts().clear(); }

}  // namespace platform::qt

namespace platform {

using namespace platform::qt;

DeviceContext GetDeviceContext(WindowHandle window) {
    WindowObject* target = LiveLocalWindow(window);
    if (SurfaceOf(target) == nullptr) return nullptr;
    auto context = std::make_unique<DrawingObject>();
    context->window = target;
    Contexts().push_back(std::move(context));
    return Contexts().back().get();
}

bool ReleaseDeviceContext(WindowHandle window, DeviceContext context) {
    DrawingObject* live = LiveContext(context);
    if (live == nullptr || live->window != window) return false;
    if (SurfaceWidget* surface = SurfaceOf(LiveLocalWindow(window))) surface->ShowDrawing(live->changed);
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
    ContextPainter target(*live);
    QPainter& painter = target.Painter();
    const QRect area = rect != nullptr ? ToQRect(*rect) : QRect();
    if ((options & TEXT_OUT_OPAQUE) && !area.isEmpty()) {
        painter.fillRect(area, ToQColor(live->background));
        target.Changed(area);
    }
    if (count == 0) return true;
    if ((options & TEXT_OUT_CLIPPED) && rect != nullptr) {
        if (area.isEmpty()) return true;
        painter.setClipRect(area);
    }
    target.PrepareForText();
    DrawCharacters(target, x, y, ToQString(std::u16string_view(text, count)), spacing);
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
    ContextPainter target(*live);
    target.PrepareForText();
    QRect area = ToQRect(*rect);
    const int height =
        DrawFormattedText(target.Painter(), area, ToQString(std::u16string_view(text, length)), format);
    if (format & DRAW_TEXT_CALCULATE_RECT) {
        rect->right = rect->left + area.width();
        rect->bottom = rect->top + area.height();
    } else {
        // Unclipped text may land anywhere on the surface.
        target.Changed((format & DRAW_TEXT_NO_CLIP) ? QRect(-FARTHEST_COORDINATE, -FARTHEST_COORDINATE,
                                                            2 * FARTHEST_COORDINATE,
                                                            2 * FARTHEST_COORDINATE)
                                                    : area);
    }
    return height;
}

}  // namespace platform
