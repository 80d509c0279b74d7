#include "reader/labelimage.h"

#include <QList>
#include <QPainter>
#include <QRect>
#include <QtMath>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <numeric>

namespace {

// Below this much contrast a crop is paper and grain, not print.
constexpr int MinContrast = 64;
constexpr int Border = 12;
constexpr int Margin = 2;
constexpr qint64 MaxCropPixels = 4'000'000;
// Within what the reader takes (ReaderProtocol::MaxSide), border included.
constexpr int MaxLabelSide = 4000;
constexpr double MinTurn = 2.0;
// The smallest print a plan's number is set in is some 8 px high; grain is a few pixels.
constexpr int MinCharHeight = 5;

// Otsu's threshold: the gray level that best splits the histogram into two classes.
int otsuThreshold(const std::array<qint64, 256> &histogram, qint64 total)
{
    double sum = 0;
    for (int i = 0; i < 256; ++i)
        sum += double(i) * double(histogram[i]);
    double sumBelow = 0;
    qint64 below = 0;
    double best = -1;
    int threshold = 128;
    for (int t = 0; t < 256; ++t) {
        below += histogram[t];
        if (below == 0)
            continue;
        const qint64 above = total - below;
        if (above == 0)
            break;
        sumBelow += double(t) * double(histogram[t]);
        const double meanBelow = sumBelow / double(below);
        const double meanAbove = (sum - sumBelow) / double(above);
        const double between =
            double(below) * double(above) * (meanBelow - meanAbove) * (meanBelow - meanAbove);
        if (between > best) {
            best = between;
            threshold = t;
        }
    }
    return threshold;
}

struct Blob
{
    QRect box;
    qint64 area = 0;
};

// The 8-connected groups of ink pixels; \a owner gets each pixel's blob (-1 for paper).
QList<Blob> inkBlobs(const QImage &gray, int threshold, QList<int> &owner)
{
    const int w = gray.width();
    const int h = gray.height();
    owner.fill(-1, qsizetype(w) * h);
    QList<QPoint> stack;
    QList<Blob> blobs;
    for (int y = 0; y < h; ++y) {
        const uchar *row = gray.constScanLine(y);
        for (int x = 0; x < w; ++x) {
            if (row[x] > threshold || owner[qsizetype(y) * w + x] >= 0)
                continue;
            const int index = int(blobs.size());
            Blob blob;
            int left = x, right = x, top = y, bottom = y;
            owner[qsizetype(y) * w + x] = index;
            stack.append(QPoint(x, y));
            while (!stack.isEmpty()) {
                const QPoint p = stack.takeLast();
                ++blob.area;
                left = std::min(left, p.x());
                right = std::max(right, p.x());
                top = std::min(top, p.y());
                bottom = std::max(bottom, p.y());
                for (int dy = -1; dy <= 1; ++dy) {
                    const int ny = p.y() + dy;
                    if (ny < 0 || ny >= h)
                        continue;
                    const uchar *next = gray.constScanLine(ny);
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = p.x() + dx;
                        if (nx < 0 || nx >= w || next[nx] > threshold)
                            continue;
                        int &mark = owner[qsizetype(ny) * w + nx];
                        if (mark < 0) {
                            mark = index;
                            stack.append(QPoint(nx, ny));
                        }
                    }
                }
            }
            blob.box = QRect(QPoint(left, top), QPoint(right, bottom));
            blobs.append(blob);
        }
    }
    return blobs;
}

struct Groups
{
    QList<int> parent;
    explicit Groups(qsizetype n)
        : parent(n)
    {
        std::iota(parent.begin(), parent.end(), 0);
    }
    int find(int i)
    {
        while (parent[i] != i)
            i = parent[i] = parent[parent[i]];
        return i;
    }
    void join(int a, int b) { parent[find(a)] = find(b); }
};

bool similarHeight(int a, int b)
{
    return std::max(a, b) * 10 <= std::min(a, b) * 17;
}

// Characters of one line: alike in height, side by side on one band, a wide word gap apart at
// most.
bool sameLine(const QRect &a, const QRect &b)
{
    const int overlap = std::min(a.bottom(), b.bottom()) - std::max(a.top(), b.top()) + 1;
    const int gap = std::max(a.left(), b.left()) - std::min(a.right(), b.right()) - 1;
    return similarHeight(a.height(), b.height()) && overlap * 2 >= std::min(a.height(), b.height())
        && gap * 2 <= 3 * std::max(a.height(), b.height());
}

// Lines of one label: one above the other, overlapping sideways, with little leading between.
bool sameLabel(const QRect &a, int heightA, const QRect &b, int heightB)
{
    const int overlap = std::min(a.right(), b.right()) - std::max(a.left(), b.left());
    const int gap = std::max(a.top(), b.top()) - std::min(a.bottom(), b.bottom()) - 1;
    return similarHeight(heightA, heightB) && overlap > 0 && gap <= std::max(heightA, heightB);
}

// The blobs of the label: the characters in lines, the lines stacked into labels, then the one
// with the most characters (the one nearest the middle among equals), with the small marks
// (points, hyphens, dots) that lie within its reach and are more than grain. The rest (trees, hatching, other symbols)
// is not the name.
struct LabelParts
{
    QList<int> members; // the label's characters and marks
    QList<int> foreign; // neither, nor small enough to leave
    int characters = 0;
    double angle = 0; // of its longest line, in degrees, clockwise on the screen
};

// The slope of the line through the shapes' feet (least squares), where capitals, small
// letters and digits stand alike, in degrees; 0 for fewer than three shapes, which say too
// little about it.
double lineAngle(const QList<QRect> &shapes)
{
    if (shapes.size() < 3)
        return 0;
    const auto foot = [](const QRect &box) {
        return QPointF(box.left() + box.width() / 2.0, box.bottom());
    };
    QPointF mean;
    for (const QRect &box : shapes)
        mean += foot(box) / double(shapes.size());
    double sxx = 0, sxy = 0;
    for (const QRect &box : shapes) {
        const QPointF d = foot(box) - mean;
        sxx += d.x() * d.x();
        sxy += d.x() * d.y();
    }
    return sxx > 0 ? qRadiansToDegrees(std::atan(sxy / sxx)) : 0;
}

// Where a group of shapes lies, how tall its tallest is, and how many it has.
struct Extent
{
    QRect box;
    int height = 0;
    int count = 0;

    void add(const Extent &other)
    {
        box |= other.box;
        height = std::max(height, other.height);
        count += other.count;
    }
};

// Joins the items that belong \a together and sums up each group at its root.
template <typename Together>
QList<Extent> grouped(const QList<Extent> &items, Groups &groups, Together together)
{
    const qsizetype n = items.size();
    for (qsizetype i = 0; i < n; ++i) {
        for (qsizetype j = i + 1; j < n; ++j) {
            if (items[i].count && items[j].count && together(items[i], items[j]))
                groups.join(int(i), int(j));
        }
    }
    QList<Extent> sums(n);
    for (qsizetype i = 0; i < n; ++i) {
        if (items[i].count)
            sums[groups.find(int(i))].add(items[i]);
    }
    return sums;
}

LabelParts labelBlobs(const QList<Blob> &blobs, const QSize &size)
{
    const qsizetype n = blobs.size();
    QList<Extent> shapes(n);
    for (qsizetype i = 0; i < n; ++i)
        shapes[i] = { blobs[i].box, blobs[i].box.height(), 1 };
    Groups lines(n);
    const QList<Extent> byRoot = grouped(
        shapes, lines, [](const Extent &a, const Extent &b) { return sameLine(a.box, b.box); });
    Groups labels(n);
    const QList<Extent> label = grouped(byRoot, labels, [](const Extent &a, const Extent &b) {
        return sameLabel(a.box, a.height, b.box, b.height);
    });
    const QPoint middle(size.width() / 2, size.height() / 2);
    const auto distance = [&](int i) { return (label[i].box.center() - middle).manhattanLength(); };
    // Specks of grain are no print, even where a lone character is all there is.
    const auto printed = [&](int i) { return label[i].height >= MinCharHeight; };
    int best = -1;
    for (qsizetype i = 0; i < n; ++i) {
        if (label[i].count
            && (best < 0 || printed(int(i)) > printed(best)
                || (printed(int(i)) == printed(best)
                    && (label[i].count > label[best].count
                        || (label[i].count == label[best].count
                            && distance(int(i)) < distance(best))))))
            best = int(i);
    }
    const Extent &chosen = label[best];
    const int reach = chosen.height;
    const QRect marks = chosen.box.adjusted(-reach, -reach / 4, reach, reach / 4);
    LabelParts parts;
    for (qsizetype i = 0; i < n; ++i) {
        const bool mark =
            blobs[i].box.height() * 10 < chosen.height * 7 && marks.contains(blobs[i].box);
        if (labels.find(lines.find(int(i))) == best) {
            parts.members.append(int(i));
            // Touching characters make one wide shape: about one character per 0.8 of the
            // line's height.
            const int lineHeight = byRoot[lines.find(int(i))].height;
            parts.characters += std::max(1, qRound(blobs[i].box.width() / (0.8 * lineHeight)));
        } else if (mark && blobs[i].area * 100 >= qint64(chosen.height) * chosen.height)
            parts.members.append(int(i));
        else if (!mark)
            parts.foreign.append(int(i));
    }
    int longest = -1;
    for (qsizetype i = 0; i < n; ++i) {
        if (byRoot[i].count && labels.find(int(i)) == best
            && (longest < 0 || byRoot[i].count > byRoot[longest].count))
            longest = int(i);
    }
    QList<QRect> line;
    for (qsizetype i = 0; i < n; ++i) {
        if (lines.find(int(i)) == longest)
            line.append(blobs[i].box);
    }
    parts.angle = lineAngle(line);
    return parts;
}

// \a gray turned by \a degrees about its middle on white paper, all of it kept.
QImage turned(const QImage &gray, double degrees)
{
    QTransform turn;
    turn.rotate(degrees);
    const QRect bounds =
        turn.mapRect(QRectF(gray.rect()).translated(-gray.width() / 2.0, -gray.height() / 2.0))
            .toAlignedRect();
    QImage paper(bounds.size(), QImage::Format_RGB32);
    paper.fill(Qt::white);
    QPainter painter(&paper);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.translate(-bounds.topLeft());
    painter.rotate(degrees);
    painter.drawImage(QPointF(-gray.width() / 2.0, -gray.height() / 2.0), gray);
    painter.end();
    return paper.convertToFormat(QImage::Format_Grayscale8);
}

PreparedLabel prepared(QImage gray, int textHeight, bool straighten);

// Tesseract splits ink from paper by one threshold over the whole label. The lot's tinted paper
// beside the white of the masked boundary and the border is split off as "ink" instead, and a
// clean "19" reads as "nte". The paper turns white, and the ink stays as it was.
void whitenPaper(QImage &gray, int threshold)
{
    std::array<qint64, 256> histogram {};
    for (int y = 0; y < gray.height(); ++y) {
        const uchar *row = gray.constScanLine(y);
        for (int x = 0; x < gray.width(); ++x)
            ++histogram[row[x]];
    }
    const auto median = [&](int from, int to) {
        const qint64 count = std::accumulate(histogram.begin() + from, histogram.begin() + to, 0LL);
        qint64 seen = 0;
        for (int i = from; i < to; ++i) {
            seen += histogram[i];
            if (2 * seen >= count)
                return i;
        }
        return to - 1;
    };
    const int ink = median(0, threshold + 1);
    const int paper = median(threshold + 1, 256);
    // A little below the paper's middle tone, so that its grain goes too.
    const double white = paper - 0.1 * (paper - ink);
    if (white >= 255 || white <= ink)
        return;
    std::array<uchar, 256> levels;
    for (int i = 0; i < 256; ++i)
        levels[i] = uchar(std::min(255, qRound(i * 255 / white)));
    for (int y = 0; y < gray.height(); ++y) {
        uchar *row = gray.scanLine(y);
        for (int x = 0; x < gray.width(); ++x)
            row[x] = levels[row[x]];
    }
}

} // namespace

PreparedLabel prepareLabel(const QImage &crop, int textHeight)
{
    if (crop.isNull())
        return {};
    // A region this large is no lot (a road, the margin); reading it smaller keeps its cost in
    // bounds and its print, if any, still readable.
    QImage gray = crop.convertToFormat(QImage::Format_Grayscale8);
    if (qint64(gray.width()) * gray.height() > MaxCropPixels) {
        const double shrink =
            std::sqrt(double(MaxCropPixels) / (double(gray.width()) * gray.height()));
        gray = gray.scaled(std::max(1, int(gray.width() * shrink)),
            std::max(1, int(gray.height() * shrink)), Qt::IgnoreAspectRatio,
            Qt::SmoothTransformation);
    }
    return prepared(gray, textHeight, true);
}

namespace {

PreparedLabel prepared(QImage gray, int textHeight, bool straighten)
{
    std::array<qint64, 256> histogram {};
    for (int y = 0; y < gray.height(); ++y) {
        const uchar *row = gray.constScanLine(y);
        for (int x = 0; x < gray.width(); ++x)
            ++histogram[row[x]];
    }
    const qint64 total = qint64(gray.width()) * gray.height();
    const auto darkest =
        std::find_if(histogram.begin(), histogram.end(), [](qint64 n) { return n; });
    const auto lightest =
        std::find_if(histogram.rbegin(), histogram.rend(), [](qint64 n) { return n; });
    if (int(lightest.base() - histogram.begin()) - 1 - int(darkest - histogram.begin())
        < MinContrast)
        return {};
    const int threshold = otsuThreshold(histogram, total);

    QList<int> owner;
    const QList<Blob> all = inkBlobs(gray, threshold, owner);
    // Grain: a few pixels.
    constexpr qint64 minArea = 4;
    QList<int> kept; // indices into all
    for (qsizetype i = 0; i < all.size(); ++i) {
        if (all[i].area >= minArea)
            kept.append(int(i));
    }
    if (kept.isEmpty())
        return {};
    QList<Blob> blobs;
    for (const int i : kept)
        blobs.append(all[i]);
    const LabelParts parts = labelBlobs(blobs, gray.size());
    QList<bool> inLabel(all.size(), false);
    for (const int i : parts.members)
        inLabel[kept[i]] = true;
    QList<bool> foreign(all.size(), false);
    for (const int i : parts.foreign)
        foreign[kept[i]] = true;

    // Whatever is not the label turns to paper, with its grey fringe.
    const int w = gray.width();
    for (int y = 0; y < gray.height() && !parts.foreign.isEmpty(); ++y) {
        uchar *row = gray.scanLine(y);
        for (int x = 0; x < w; ++x) {
            for (int dy = -1; dy <= 1; ++dy) {
                const int ny = y + dy;
                if (ny < 0 || ny >= gray.height())
                    continue;
                bool clear = false;
                for (int dx = -1; dx <= 1 && !clear; ++dx) {
                    const int nx = x + dx;
                    if (nx < 0 || nx >= w)
                        continue;
                    const int o = owner[qsizetype(ny) * w + nx];
                    clear = o >= 0 && foreign[o];
                }
                if (clear) {
                    row[x] = 255;
                    break;
                }
            }
        }
    }

    // Tesseract reads lines within a few degrees of level; a crop left more askew than that is
    // straightened by its own longest line.
    if (straighten && std::abs(parts.angle) >= MinTurn) {
        QRect label;
        for (qsizetype i = 0; i < all.size(); ++i) {
            if (inLabel[i])
                label |= all[i].box;
        }
        const int room = std::max(label.width(), label.height()) / 4 + Margin;
        return prepared(
            turned(gray.copy(label.adjusted(-room, -room, room, room) & gray.rect()), -parts.angle),
            textHeight, false);
    }

    QRect ink;
    int tallest = 0;
    for (qsizetype i = 0; i < all.size(); ++i) {
        if (!inLabel[i])
            continue;
        ink |= all[i].box;
        tallest = std::max(tallest, all[i].box.height());
    }
    // The characters' height: the median of the tall blobs, so that periods, hyphens and the
    // dots over letters do not count, nor one long stroke.
    QList<int> heights;
    for (qsizetype i = 0; i < all.size(); ++i) {
        if (inLabel[i] && all[i].box.height() * 2 >= tallest)
            heights.append(all[i].box.height());
    }
    std::sort(heights.begin(), heights.end());
    const int charHeight = std::max(1, heights.at(heights.size() / 2));
    const QRect source = ink.adjusted(-Margin, -Margin, Margin, Margin) & gray.rect();
    const double scale = std::min({ std::clamp(double(textHeight) / charHeight, 0.25, 8.0),
        double(MaxLabelSide) / source.width(), double(MaxLabelSide) / source.height() });

    QImage scaled = gray.copy(source).scaled(qRound(source.width() * scale),
        qRound(source.height() * scale), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    whitenPaper(scaled, threshold);
    QImage label(
        scaled.width() + 2 * Border, scaled.height() + 2 * Border, QImage::Format_Grayscale8);
    label.fill(255);
    for (int y = 0; y < scaled.height(); ++y)
        std::memcpy(label.scanLine(y + Border) + Border, scaled.constScanLine(y), scaled.width());
    return { label, parts.characters };
}

} // namespace
