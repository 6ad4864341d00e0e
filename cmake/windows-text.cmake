# Writes a text file as Windows' own editors expect it: lines ended by
# carriage return and line feed, and UTF-8 marked by its byte order mark, so
# that Notepad of any Windows 10 shows the Japanese characters.
#
#   cmake -DINPUT=text.txt -DOUTPUT=release/text.txt -P windows-text.cmake

file(READ "${INPUT}" text)
string(REPLACE "\r\n" "\n" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
string(ASCII 239 187 191 byte_order_mark)
file(WRITE "${OUTPUT}" "${byte_order_mark}${text}")
