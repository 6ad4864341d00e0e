// Device contexts: drawing into a window's retained surface outside any
// paint handling. Releasing the context schedules the update that puts the
// changed part on screen.
#include "platform/drawing.h"

#include <QPainter>

#include <algorithm>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/qt/base/lifetime.h"
#include "platform/qt/base/qt_text.h"
#include "platform/qt/base/system_colours.h"
#include "platform/qt/base/text_format.h"
#include "platform/qt/surfaces/static_control.h"
#include "platform/qt/surfaces/surface_widget.h"
#include "platform/qt/windows/window_object.h"
#include "platform/shared/accessible_name.h"
#include "platform/wide_text.h"

namespace platform::qt {
namespace {

// The state a text step draws with, as it was when the step was asked for.
struct TextState {
    Colour text;
    Colour background;
    std::int32_t backgroundMode;
};

// One thing asked of a context, kept to be played on the surface when the
// context is released: a fill of `area` with the background colour, or a
// line of text in it. Steps are reused from context to context, so that
// recording the same drawing again allocates nothing.
struct Step {
    enum class Kind { Fill, Line };
    Kind kind = Kind::Fill;
    QRect area;
    TextState state{};
    std::u16string characters;
    std::uint32_t format = 0;  // a line's DrawText format
};

}  // namespace
}  // namespace platform::qt

namespace platform {

struct DrawingObject {
    WindowObject* window = nullptr;
    // The platform's defaults for a new context.
    Colour background = MakeColour(255, 255, 255);
    Colour text = MakeColour(0, 0, 0);
    std::int32_t backgroundMode = BACKGROUND_OPAQUE;
    QRect changed;  // what has been drawn since the context was got
    // What was asked of the context, in order: the first `stepCount` of
    // `steps`. Played on the surface when the context is released, unless
    // the surface shows exactly that already.
    std::vector<qt::Step> steps;
    std::size_t stepCount = 0;
    std::string script;  // a byte record of the steps and the state they used
};

}  // namespace platform

namespace platform::qt {

namespace {

std::vector<std::unique_ptr<DrawingObject>>& Contexts() {
    static auto* contexts =
        new std::vector<std::unique_ptr<DrawingObject>>();  // kept: see lifetime.h
    return *contexts;
}

// The last context released, kept with its storage for the next one: the
// refresh gets and releases eight contexts a second.
std::unique_ptr<DrawingObject>& SpareContext() {
    static auto* spare = new std::unique_ptr<DrawingObject>();  // kept: see lifetime.h
    return *spare;
}

// The steps of the drawing each surface shows, played last on it: the next
// drawing of the same gauge with another value is played only where the
// two differ.
struct ShownDrawing {
    WindowObject* window = nullptr;
    std::vector<Step> steps;
};

std::vector<ShownDrawing>& ShownDrawings() {
    static auto* shown = new std::vector<ShownDrawing>();  // kept: see lifetime.h
    return *shown;
}

ShownDrawing* ShownOn(const WindowObject* window) {
    for (ShownDrawing& shown : ShownDrawings()) {
        if (shown.window == window) return &shown;
    }
    return nullptr;
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

int Bounded(std::int32_t value) {
    return std::clamp(value, -FARTHEST_COORDINATE, FARTHEST_COORDINATE);
}

// A platform rectangle as Qt's (whose right and bottom are inclusive); an
// inverted rectangle stays empty rather than being turned around.
QRect ToQRect(const Rect& rect) {
    return QRect(QPoint(Bounded(rect.left), Bounded(rect.top)),
                 QPoint(Bounded(rect.right) - 1, Bounded(rect.bottom) - 1));
}

// A screen reader hears a value drawn into a control (a gauge, whose own
// text is empty) with the caption before it. The name is made again only
// when the value or the caption changed.
void NameDrawnValue(WindowObject& window, std::u16string_view value) {
    if (window.kind != WindowObject::Kind::Control) return;
    const WindowObject* caption = ControlBefore(&window);
    const std::u16string_view captionText =
        caption != nullptr ? std::u16string_view(caption->text) : std::u16string_view();
    if (value == window.namedValue && captionText == window.namedCaption) return;
    window.namedValue = value;
    window.namedCaption = captionText;
    window.control->SetName(ToQString(shared::DrawnValueName(captionText, value)));
}

// A control draws with its dialog's context font.
const WindowObject& FontHolder(const DrawingObject& context) {
    return context.window->kind == WindowObject::Kind::Control ? *context.window->dialog
                                                               : *context.window;
}

const QFont& ContextFont(const DrawingObject& context) { return FontHolder(context).contextFont; }

// A painter on a context's surface. Fills name their colour; only text
// needs the context's colours, so a fill does not pay for them. The text's
// font goes to the line drawing itself, which needs it only for lines it
// cannot set from the font's kept glyphs.
class ContextPainter {
public:
    explicit ContextPainter(DrawingObject& context)
        : surface_(*SurfaceOf(context.window)), painter_(&surface_.Surface()) {}

    void PrepareForText(const TextState& state) {
        painter_.setPen(ToQColor(state.text));
        painter_.setBackground(ToQColor(state.background));
        painter_.setBackgroundMode(state.backgroundMode == BACKGROUND_OPAQUE ? Qt::OpaqueMode
                                                                             : Qt::TransparentMode);
    }

    QPainter& Painter() { return painter_; }

private:
    SurfaceWidget& surface_;
    QPainter painter_;
};

// Appends the bytes of values to a context's record.
template <typename... Values>
void Note(std::string& script, const Values&... values) {
    (script.append(reinterpret_cast<const char*>(&values), sizeof values), ...);
}

void NoteText(std::string& script, std::u16string_view text) {
    Note(script, text.size());
    script.append(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(char16_t));
}

void Changed(DrawingObject& context, const QRect& area) {
    context.changed |= area.intersected(SurfaceOf(context.window)->rect());
}

// The next step of the context, reusing one a context recorded before,
// with the context's state as it is now.
Step& NextStep(DrawingObject& context, Step::Kind kind, const QRect& area,
               std::u16string_view characters) {
    if (context.stepCount == context.steps.size()) context.steps.emplace_back();
    Step& step = context.steps[context.stepCount++];
    step.kind = kind;
    step.area = area;
    step.state = TextState{context.text, context.background, context.backgroundMode};
    step.characters.assign(characters);
    return step;
}

std::span<const Step> StepsOf(const DrawingObject& context) {
    return std::span<const Step>(context.steps).first(context.stepCount);
}

// Whether `areas` together cover `whole`: every cell of the grid that their
// edges cut `whole` into lies inside one of them. A gauge has one or two
// fills, so this is a handful of comparisons.
bool CoverTogether(const QRect& whole, std::span<const QRect> areas) {
    std::vector<int> xs{whole.left(), whole.right() + 1};
    std::vector<int> ys{whole.top(), whole.bottom() + 1};
    for (const QRect& area : areas) {
        if (area.contains(whole)) return true;
        xs.insert(xs.end(), {std::clamp(area.left(), whole.left(), whole.right() + 1),
                             std::clamp(area.right() + 1, whole.left(), whole.right() + 1)});
        ys.insert(ys.end(), {std::clamp(area.top(), whole.top(), whole.bottom() + 1),
                             std::clamp(area.bottom() + 1, whole.top(), whole.bottom() + 1)});
    }
    for (auto* edges : {&xs, &ys}) {
        std::sort(edges->begin(), edges->end());
        edges->erase(std::unique(edges->begin(), edges->end()), edges->end());
    }
    for (std::size_t column = 0; column + 1 < xs.size(); ++column) {
        for (std::size_t row = 0; row + 1 < ys.size(); ++row) {
            const QPoint corner(xs[column], ys[row]);
            if (std::none_of(areas.begin(), areas.end(),
                             [&corner](const QRect& area) { return area.contains(corner); })) {
                return false;
            }
        }
    }
    return true;
}

// Replaying the steps gives the same pixels whatever the surface held before
// only when opaque fills cover it all before any text is blended in.
bool CoversTheSurface(const DrawingObject& context) {
    std::vector<QRect> fills;
    for (const Step& step : StepsOf(context)) {
        if (!step.characters.empty()) break;
        if (step.kind == Step::Kind::Fill) fills.push_back(step.area);
    }
    return CoverTogether(SurfaceOf(context.window)->rect(), fills);
}

// The context when it is live and its window still has pixels to draw on
// (a window of no size has none).
DrawingObject* UsableContext(DeviceContext context) {
    DrawingObject* live = LiveContext(context);
    const SurfaceWidget* surface =
        live != nullptr ? SurfaceOf(LiveLocalWindow(live->window)) : nullptr;
    return surface != nullptr && surface->HasPixels() ? live : nullptr;
}

void Play(const DrawingObject& context, const Step& step, ContextPainter& painter) {
    if (step.kind == Step::Kind::Fill) {
        painter.Painter().fillRect(step.area, ToQColor(step.state.background));
        return;
    }
    painter.PrepareForText(step.state);
    DrawPlainLine(painter.Painter(), ContextFont(context), FontHolder(context).contextLineHeight,
                  step.area, QStringView(step.characters), step.format);
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
    auto& shown = ShownDrawings();
    shown.erase(std::remove_if(shown.begin(), shown.end(),
                               [window](const ShownDrawing& drawing) {
                                   return NamesDialogOrItsControl(drawing.window, window);
                               }),
                shown.end());
}

void ReleaseAllContexts() {
    Contexts().clear();
    SpareContext().reset();
    ShownDrawings().clear();
}

bool SameButText(const Step& before, const Step& after) {
    return before.kind == after.kind && before.area == after.area &&
           before.state.text == after.state.text &&
           before.state.background == after.state.background &&
           before.state.backgroundMode == after.state.backgroundMode &&
           before.format == after.format;
}

// Where the context's steps can leave other pixels than the drawing the
// surface shows: the same steps but for the texts of some lines, each of
// which changes only part of its rectangle. Nothing when anything else
// differs (the whole surface is played).
std::optional<QRect> ChangedPart(const DrawingObject& context, ContextPainter& painter) {
    const ShownDrawing* shown = ShownOn(context.window);
    const SurfaceWidget* surface = SurfaceOf(context.window);
    const std::span<const Step> steps = StepsOf(context);
    if (shown == nullptr || !surface->ShowsPlayed() || shown->steps.size() != steps.size()) {
        return std::nullopt;
    }
    QRect part;
    for (std::size_t at = 0; at < steps.size(); ++at) {
        const Step& before = shown->steps[at];
        const Step& after = steps[at];
        if (!SameButText(before, after)) return std::nullopt;
        if (before.characters == after.characters) continue;
        painter.PrepareForText(after.state);
        const std::optional<QRect> line = ChangedLinePart(
            painter.Painter(), ContextFont(context), after.area, QStringView(before.characters),
            QStringView(after.characters), after.format);
        if (!line) return std::nullopt;
        part |= *line;
    }
    return part;
}

void KeepShown(const DrawingObject& context) {
    ShownDrawing* shown = ShownOn(context.window);
    if (shown == nullptr) {
        ShownDrawings().push_back(ShownDrawing{context.window, {}});
        shown = &ShownDrawings().back();
    }
    const std::span<const Step> steps = StepsOf(context);
    shown->steps.resize(steps.size());
    // Assigned one by one, so that the kept texts' storage is reused.
    std::copy(steps.begin(), steps.end(), shown->steps.begin());
}

void ForgetShown(const WindowObject* window) {
    auto& shown = ShownDrawings();
    shown.erase(
        std::remove_if(shown.begin(), shown.end(),
                       [window](const ShownDrawing& drawing) { return drawing.window == window; }),
        shown.end());
}

}  // namespace

}  // namespace platform::qt

namespace platform {

using namespace platform::qt;

DeviceContext GetDeviceContext(WindowHandle window) {
    WindowObject* target = LiveLocalWindow(window);
    const SurfaceWidget* surface = SurfaceOf(target);
    if (surface == nullptr) return nullptr;
    std::unique_ptr<DrawingObject> context = std::move(SpareContext());
    if (context == nullptr) context = std::make_unique<DrawingObject>();
    context->window = target;
    context->background = MakeColour(255, 255, 255);
    context->text = MakeColour(0, 0, 0);
    context->backgroundMode = BACKGROUND_OPAQUE;
    context->changed = QRect();
    context->stepCount = 0;
    context->script.clear();
    // The same steps cover a surface of another size differently.
    Note(context->script, surface->rect());
    CleanUpAtLayerEnd(LayerStage::DeviceContexts, ReleaseAllContexts);
    ForgetWindowsThrough(ForgetContextsOf);
    Contexts().push_back(std::move(context));
    return Contexts().back().get();
}

bool ReleaseDeviceContext(WindowHandle window, DeviceContext context) {
    DrawingObject* live = LiveContext(context);
    if (live == nullptr || live->window != window) return false;
    SurfaceWidget* surface = SurfaceOf(LiveLocalWindow(window));
    // A gauge redrawn with the text and share it shows already leaves every
    // pixel as it is: the refresh does that for most gauges each second, and
    // skipping it spares the drawing and the screen update. The surface
    // keeps only records whose steps covered it before any text, and these
    // steps are the same.
    if (surface != nullptr && live->stepCount > 0 && surface->HasPixels() &&
        !surface->Shows(live->script)) {
        QRect shownPart = live->changed;
        {
            ContextPainter painter(*live);
            // A gauge drawn again with another value: only the columns
            // whose glyphs differ are played and sent to the screen.
            if (const std::optional<QRect> part = ChangedPart(*live, painter)) {
                shownPart &= *part;
                painter.Painter().setClipRect(*part);
            }
            if (!shownPart.isEmpty()) {
                for (const Step& step : StepsOf(*live)) Play(*live, step, painter);
            }
        }
        if (!shownPart.isEmpty()) surface->ShowDrawing(shownPart);
        if (CoversTheSurface(*live)) {
            surface->Played(live->script);
            KeepShown(*live);
        } else {
            surface->ForgetPlayed();
            ForgetShown(live->window);
        }
    }
    if (!live->changed.isEmpty()) live->window->drawnThrough = true;
    auto& contexts = Contexts();
    const auto owned = std::find_if(contexts.begin(), contexts.end(),
                                    [live](const auto& entry) { return entry.get() == live; });
    if (SpareContext() == nullptr) SpareContext() = std::move(*owned);
    contexts.erase(owned);
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

// Only the opaque fill without text is drawn: it is how the gauges fill.
bool TextOut(DeviceContext context, std::int32_t, std::int32_t, std::uint32_t options,
             const Rect* rect, const char16_t*, std::uint32_t count, const std::int32_t*) {
    DrawingObject* live = UsableContext(context);
    if (live == nullptr || count > 0 || !(options & TEXT_OUT_OPAQUE) || rect == nullptr)
        return false;
    const QRect area = ToQRect(*rect);
    if (area.isEmpty()) return true;
    const Step& step = NextStep(*live, Step::Kind::Fill, area, {});
    Note(live->script, 'F', area, step.state.background);
    Changed(*live, area);
    return true;
}

Colour GetSystemColour(std::int32_t index) {
    const std::optional<QColor> colour = SystemColourOf(index);
    return colour ? ToColour(*colour) : 0;
}

std::int32_t DrawText(DeviceContext context, const char16_t* text, std::int32_t count, Rect* rect,
                      std::uint32_t format) {
    DrawingObject* live = UsableContext(context);
    if (live == nullptr || text == nullptr || rect == nullptr || count < -1 ||
        !IsPlainLine(format)) {
        return 0;
    }
    const std::size_t length = count == -1 ? WideLength(text) : static_cast<std::size_t>(count);
    const std::u16string_view characters(text, length);
    const QRect area = ToQRect(*rect);
    Step& step = NextStep(*live, Step::Kind::Line, area, characters);
    step.format = format;
    Note(live->script, 'L', area, format, step.state.text, step.state.background,
         step.state.backgroundMode);
    NoteText(live->script, characters);
    Changed(*live, area);
    NameDrawnValue(*live->window, characters);
    // The answer needs only the font's line height, kept with the font.
    return MeasurePlainLine(FontHolder(*live).contextLineHeight, area, !characters.empty(), format);
}

}  // namespace platform
