// Every public class and function of the library.
#ifndef TWFILE_TWFILE_H
#define TWFILE_TWFILE_H

#include <twfile/export.h>
#include <twfile/version.h>

#include <twfile/platform/colours.h>
#include <twfile/platform/types.h>

#include <twfile/framework/cmd_target.h>
#include <twfile/framework/extension_module.h>
#include <twfile/framework/memory_exception.h>
#include <twfile/framework/message_box.h>
#include <twfile/framework/object.h>
#include <twfile/framework/ptr_list.h>
#include <twfile/framework/runtime_class.h>
#include <twfile/framework/string.h>
#include <twfile/framework/string_map.h>

#include <twfile/host/error.h>
#include <twfile/host/schema.h>
#include <twfile/host/status.h>

#include <twfile/file/file32.h>

#include <twfile/query/file_stamp.h>
#include <twfile/query/members.h>
#include <twfile/query/qdf.h>

#include <twfile/condition/condition.h>
#include <twfile/condition/condition_list.h>
#include <twfile/condition/condition_operator.h>

#include <twfile/join/join.h>
#include <twfile/join/join_list.h>

#include <twfile/module/module.h>

#endif  // TWFILE_TWFILE_H
