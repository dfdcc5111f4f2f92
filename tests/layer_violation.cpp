// Built only by the layer test, with the fraction library's include path: the
// console's headers are not on it, so this include must fail.
#include "dialogue.hpp"
