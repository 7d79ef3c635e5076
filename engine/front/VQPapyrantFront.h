#pragma once
// The engine's name for a declaration of the public interface.
#include "vqpapyrant/VQPapyrantFront.h"
