/* A stand-in for libmediainfo that has every entry point of its wide
   interface but the last, unless FAKE_MEDIAINFO_COMPLETE is defined. */
#include <stddef.h>

// The argument is the function's name: it cannot stand in parentheses.
// NOLINTBEGIN(bugprone-macro-parentheses)
#define ENTRY(name) \
  __attribute__((visibility("default"))) void* name(void) { return NULL; }
// NOLINTEND(bugprone-macro-parentheses)

ENTRY(MediaInfo_New) ENTRY(MediaInfoList_New) ENTRY(MediaInfo_Delete) ENTRY(MediaInfoList_Delete)
ENTRY(MediaInfo_Open) ENTRY(MediaInfoList_Open) ENTRY(MediaInfo_Open_Buffer_Init)
ENTRY(MediaInfo_Open_Buffer_Continue) ENTRY(MediaInfo_Open_Buffer_Continue_GoTo_Get)
ENTRY(MediaInfo_Open_Buffer_Finalize) ENTRY(MediaInfo_Open_NextPacket) ENTRY(MediaInfo_Close)
ENTRY(MediaInfoList_Close) ENTRY(MediaInfo_Inform) ENTRY(MediaInfoList_Inform) ENTRY(MediaInfo_GetI)
ENTRY(MediaInfoList_GetI) ENTRY(MediaInfo_Get) ENTRY(MediaInfoList_Get) ENTRY(MediaInfo_Output_Buffer_Get)
ENTRY(MediaInfo_Output_Buffer_GetI) ENTRY(MediaInfo_Option) ENTRY(MediaInfoList_Option) ENTRY(MediaInfo_State_Get)
ENTRY(MediaInfoList_State_Get) ENTRY(MediaInfo_Count_Get) ENTRY(MediaInfoList_Count_Get)
#ifdef FAKE_MEDIAINFO_COMPLETE
ENTRY(MediaInfoList_Count_Get_Files)
#endif
