// An icon that keeps none of its images: each is decoded from the icon
// group's bytes, which stay in the program image, when it is asked for.
//
// The notification area is given every image of the group, so that a tray
// of any size at any scale draws an image of its own size or scales a
// larger one down. Kept decoded, those images would be most of what an
// icon holds in memory (the 256-pixel one alone is 256 kB), for a tray that
// asks for one size when it shows the icon, and again only when it is
// exposed or resized.
//
// It picks and scales as Qt's own icons do: the smallest image at least as
// large as asked, else the largest; a larger one is scaled down smoothly to
// fit, a smaller one is never scaled up.
#pragma once

#include <QIconEngine>

#include <cstddef>
#include <cstdint>

namespace platform::qt {

class GroupIconEngine : public QIconEngine {
public:
    // `data` must stay as long as any icon made from the engine.
    GroupIconEngine(const std::uint8_t* data, std::size_t size);

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override;
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override;
    bool isNull() override;
    QIconEngine* clone() const override;
    QString key() const override;

private:
    struct Entry {
        QSize size;
        std::size_t index = 0;  // in the group's directory
        int bitCount = 0;
    };

    const Entry* BestFor(const QSize& size) const;

    const std::uint8_t* data_;
    std::size_t size_;
    QList<Entry> entries_;  // the images that decode, one a size
};

}  // namespace platform::qt
