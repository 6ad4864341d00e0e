#include "platform/qt/resources/group_icon_engine.h"

#include <QGuiApplication>
#include <QIcon>
#include <QPainter>
#include <QPixmap>

#include <algorithm>

#include "platform/qt/resources/ico_decoder.h"

namespace platform::qt {

namespace {

qint64 Area(const QSize& size) { return qint64{size.width()} * size.height(); }

// The size an image of `image` pixels is shown at when `wanted` is asked
// for: its own, or scaled down to fit.
QSize ShownSize(QSize image, const QSize& wanted) {
    if (image.width() > wanted.width() || image.height() > wanted.height())
        image.scale(wanted, Qt::KeepAspectRatio);
    return image;
}

}  // namespace

// Each image is decoded once here to learn its size, and let go.
GroupIconEngine::GroupIconEngine(const std::uint8_t* data, std::size_t size)
    : data_(data), size_(size) {
    const std::size_t count = IconImageCount(data, size);
    for (std::size_t index = 0; index < count; ++index) {
        const IconImage image = DecodeIconImage(data, size, index);
        if (image.image.isNull()) continue;
        const Entry entry{image.image.size(), index, image.bitCount};
        auto same = std::find_if(entries_.begin(), entries_.end(),
                                 [&entry](const Entry& kept) { return kept.size == entry.size; });
        // Of two images of one size, the one of more colours.
        if (same == entries_.end()) {
            entries_.append(entry);
        } else if (entry.bitCount > same->bitCount) {
            *same = entry;
        }
    }
}

const GroupIconEngine::Entry* GroupIconEngine::BestFor(const QSize& size) const {
    const Entry* smallestLarger = nullptr;
    const Entry* largest = nullptr;
    for (const Entry& entry : entries_) {
        if (Area(entry.size) >= Area(size) &&
            (smallestLarger == nullptr || Area(entry.size) < Area(smallestLarger->size))) {
            smallestLarger = &entry;
        }
        if (largest == nullptr || Area(entry.size) > Area(largest->size)) largest = &entry;
    }
    return smallestLarger != nullptr ? smallestLarger : largest;
}

QPixmap GroupIconEngine::scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                                      qreal) {
    const Entry* best = BestFor(size);
    if (best == nullptr) return {};
    // Scaled as a pixmap, whose pixels are premultiplied, as Qt's icons are.
    QPixmap normal = QPixmap::fromImage(DecodeIconImage(data_, size_, best->index).image);
    const QSize shown = ShownSize(normal.size(), size);
    if (normal.size() != shown)
        normal = normal.scaled(shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (mode == QIcon::Normal) return normal;
    // The disabled, active and selected looks are the style's.
    return QIcon(normal).pixmap(normal.size(), 1.0, mode, state);
}

QPixmap GroupIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) {
    return scaledPixmap(size, mode, state, 1.0);
}

void GroupIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
                            QIcon::State state) {
    const QPaintDevice* device = painter->device();
    const qreal ratio =
        device != nullptr ? device->devicePixelRatio() : qGuiApp->devicePixelRatio();
    painter->drawPixmap(rect, scaledPixmap(rect.size() * ratio, mode, state, ratio));
}

QSize GroupIconEngine::actualSize(const QSize& size, QIcon::Mode, QIcon::State) {
    const Entry* best = BestFor(size);
    return best != nullptr ? ShownSize(best->size, size) : QSize();
}

QList<QSize> GroupIconEngine::availableSizes(QIcon::Mode, QIcon::State) {
    QList<QSize> sizes;
    for (const Entry& entry : entries_) sizes.append(entry.size);
    return sizes;
}

bool GroupIconEngine::isNull() { return entries_.isEmpty(); }

QIconEngine* GroupIconEngine::clone() const { return new GroupIconEngine(*this); }

QString GroupIconEngine::key() const { return QStringLiteral("GroupIconEngine"); }

}  // namespace platform::qt
