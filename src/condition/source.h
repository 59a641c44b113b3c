// The source name that the condition's operations give the error service.
#ifndef TWFILE_SRC_CONDITION_SOURCE_H
#define TWFILE_SRC_CONDITION_SOURCE_H

#define TW_SOURCE "TWFileQDFCondition"

#endif  // TWFILE_SRC_CONDITION_SOURCE_H
