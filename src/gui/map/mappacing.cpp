#include "mappacing.h"

MapPacing &mapPacing()
{
    static MapPacing pacing;
    return pacing;
}
