# The upload and FTP servers are fixed per site: a station is built with its
# own servers' addresses. Only IPv4 literals are accepted, so a typo fails the
# configure step instead of a station in the field.
set(VANTORA_UPLOAD_SERVER "127.0.0.1" CACHE STRING "IPv4 address of the HTTP upload server")
set(VANTORA_FTP_SERVER "127.0.0.1" CACHE STRING "IPv4 address of the FTP batch-upload server")

function(vantora_require_ipv4 name value)
  set(octet "(25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[1-9]?[0-9])")
  if(NOT value MATCHES "^${octet}\\.${octet}\\.${octet}\\.${octet}$")
    message(FATAL_ERROR "${name} must be an IPv4 literal such as 192.0.2.10, not '${value}'")
  endif()
endfunction()

vantora_require_ipv4(VANTORA_UPLOAD_SERVER "${VANTORA_UPLOAD_SERVER}")
vantora_require_ipv4(VANTORA_FTP_SERVER "${VANTORA_FTP_SERVER}")
