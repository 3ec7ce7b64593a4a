# tandrel_add_test(NAME name SOURCES ... LIBS ... [E2E])
# Unit tests run headless (offscreen Qt, no sound). E2E tests run inside
# scripts/test-env, which gives each test executable its own Xvfb with two
# screens and its own PulseAudio with a null sink and a microphone.
function(tandrel_add_test)
    cmake_parse_arguments(T "E2E" "NAME;TIMEOUT" "SOURCES;LIBS" ${ARGN})
    add_executable(${T_NAME} ${T_SOURCES})
    target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} tandrel_testsupport GTest::gtest GTest::gmock)
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 600)
    endif()
    if(T_E2E)
        add_test(NAME ${T_NAME} COMMAND ${CMAKE_SOURCE_DIR}/scripts/test-env run -- $<TARGET_FILE:${T_NAME}>)
        set_tests_properties(${T_NAME} PROPERTIES LABELS e2e TIMEOUT ${T_TIMEOUT})
    else()
        add_test(NAME ${T_NAME} COMMAND ${T_NAME})
        set_tests_properties(${T_NAME} PROPERTIES LABELS unit TIMEOUT ${T_TIMEOUT}
            ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
    endif()
endfunction()
