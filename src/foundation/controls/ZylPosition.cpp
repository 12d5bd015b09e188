#include "foundation/controls/ZylPosition.h"

ZylPosition::ZylPosition(double top, double left, double bottom, double right)
    : m_top(top), m_left(left), m_bottom(bottom), m_right(right) {}
