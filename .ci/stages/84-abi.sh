# The ABI guard: the library's ABI against the baseline abi/libmovrimsg.abi
# (tools/abi-check.sh). Added functions pass and are printed; any other
# change fails unless the SONAME changed with it.
tools/abi-check.sh
