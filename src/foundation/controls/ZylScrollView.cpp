#include "foundation/controls/ZylScrollView.h"

ZylScrollView::ZylScrollView(QWidget* parent) : QScrollArea(parent) {}

ZylScrollView::~ZylScrollView() = default;
