#pragma once
// Window sizes as the platform draws them, and controls that follow the
// edges of their container. Qt's own window sizes are those of the client
// area; the frame and caption bar the platform adds come on top.

#include <QSize>

class QWidget;

namespace quillet::ui {

/// Gives the top-level `window` the outer size `outer`. The client area
/// starts at `outer`; once the platform reports a frame (when the window is
/// first shown, or when a window manager adds its frame just after), the
/// client area shrinks by the frame so that frame and client together
/// measure `outer`. Where no frame is reported, the client area keeps it all.
void SetOuterSize(QWidget* window, QSize outer);

/// How a control follows one far edge (right or bottom) of its container.
enum class Follow {
    None,    ///< stays where it is
    Move,    ///< keeps its size and its distance to the edge
    Stretch, ///< keeps its near edge and its distance to the far edge
};

/// Keeps `child` at `right` pixels from its container's right edge and
/// `bottom` pixels from its bottom edge, as the container is resized.
void FollowEdges(QWidget* child, Follow horizontal, int right, Follow vertical, int bottom);

} // namespace quillet::ui
