// The plug-in's view of the host: include this one header.
#ifndef C4D_H
#define C4D_H

#include "c4d_basearray.h"
#include "c4d_baselist.h"
#include "c4d_draw.h"
#include "c4d_falloff.h"
#include "c4d_general.h"
#include "c4d_hyperfile.h"
#include "c4d_memory.h"
#include "c4d_neighbor.h"
#include "c4d_nodedata.h"
#include "c4d_resource.h"
#include "c4d_string.h"
#include "c4d_thread.h"
#include "c4d_types.h"

#endif
