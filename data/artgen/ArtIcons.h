#pragma once

#include <QColor>
#include <QPainter>
#include <QRectF>

// Line icons drawn on a 24 x 24 grid and scaled into any box, so one shape
// serves a 16 px field icon and a 28 px tool button alike.
enum class ArtIcon {
    Close,
    Minimize,
    Maximize,
    User,
    Lock,
    Eye,
    EyeOff,
    ChevronDown,
    ChevronUp,
    ChevronLeft,
    ChevronRight,
    First,
    Last,
    Check,
    Plus,
    Gear,
    Home,
    UserPlus,
    Search,
    Chat,
    Crown,
    Phone,
    HangUp,
    Video,
    Smile,
    Gift,
    Clock,
    Font,
    Picture,
    Crop,
    Shake,
    Bell,
    Gamepad,
    Download,
    Play,
    Pencil,
    Bold,
    Italic,
    Underline,
    Sparkle,
    Heart,
    Upload,
};

class ArtIcons {
public:
    // Draws `icon` into `box` with strokes of `weight` grid units.
    static void draw(QPainter& painter, ArtIcon icon, const QRectF& box, const QColor& colour,
                     qreal weight = 1.8);
};
