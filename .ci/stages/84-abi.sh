# The ABI guard (tools/abi-check.sh): movrimsg.h declares exactly the
# exported functions, and the library's ABI against the baseline
# abi/libmovrimsg.abi: functions added in a new version node pass and are
# printed; any other change fails unless the SONAME changed with it.
tools/abi-check.sh
