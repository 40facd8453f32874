#include "session/PLQCustomEvent.h"

PLQCustomEvent::PLQCustomEvent(QEvent::Type type, const Box& box) : QEvent(type), box_(box) {}
