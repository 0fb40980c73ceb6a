#pragma once

#include "platform/forms.h"

namespace app {

inline constexpr forms::OuterSize brelundaSize{7015.0f, 9150.0f};
inline constexpr forms::OuterSize sobreSize{5355.0f, 5190.0f};

// The resize handler both windows share: in the normal state, the height and then the width go
// back to the fixed size, each read once and set only when it differs. Setting a size raises a
// nested resize that finds it equal, so the nesting ends by itself.
void holdOuterSize(forms::Window& window, forms::OuterSize size);

} // namespace app
