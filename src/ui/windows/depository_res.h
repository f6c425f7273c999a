// Control ids of the "Text Depository" and "Find Text Depository" dialogs.
// Included by the resource script, so macros only.
#pragma once

#define IDC_DEP_TITLE 1006
#define IDC_DEP_ADD_GROUP 1008
#define IDC_DEP_DEL_GROUP 1009
#define IDC_DEP_ADD 1010
#define IDC_DEP_CHANGE 1011
#define IDC_DEP_DELETE 1012
#define IDC_DEP_FIND 1015
#define IDC_DEP_EXPORT 1017
#define IDC_DEP_CURRENT_FRAME 1024
#define IDC_DEP_TITLE_LABEL 1025
#define IDC_DEP_SOURCE_LABEL 1026
#define IDC_DEP_SOURCE 1027
#define IDC_DEP_CONTENT_LABEL 1028
#define IDC_DEP_REMARK_LABEL 1029
#define IDC_DEP_CONTENT 1030
#define IDC_DEP_REMARK 1031
#define IDC_DEP_TABLE_FRAME 1032
#define IDC_DEP_GROUP_LABEL 1033
#define IDC_DEP_GROUP 1034
#define IDC_DEP_TABLE 1035
#define IDC_DEP_OPTION 1036

#define IDC_FIND_KEYWORD 1006
#define IDC_FIND_GROUP 1034
#define IDC_FIND_FIELD 1037
