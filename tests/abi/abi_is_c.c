/* The boundary must stay plain C: this file compiles it as C11 and checks the layouts the
 * plug-in and the host both rely on. */
#include "c4d_abi.h"

_Static_assert(sizeof(C4D_Vector) == 24, "Vector is three doubles");
_Static_assert(sizeof(C4D_Matrix) == 96, "a frame record is 96 bytes");
_Static_assert(sizeof(C4D_CPolygon) == 16, "CPolygon is four int32");
_Static_assert(offsetof(C4D_HostTables, api_version) == 0, "the API version is the first int32");
_Static_assert(offsetof(C4D_HostTables, host_id) == 4, "the host identifier follows the API version");

int tavren_abi_c_version(void) { return C4D_API_VERSION; }
