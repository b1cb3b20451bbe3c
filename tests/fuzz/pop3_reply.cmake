# The session's handling of arbitrary server replies.
mailwick_add_fuzzer(pop3_reply SOURCES pop3_reply_fuzzer.cpp LIBS pop3)
