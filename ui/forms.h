#pragma once

#include "platform/description.h"

namespace ui {

const forms::FormDescription& brelundaForm();
const forms::FormDescription& sobreForm();

} // namespace ui
