/* The floor for the gateway benchmark: echoes every read straight back,
   one thread, epoll, loopback. Usage: echo_server PORT */
#include <arpa/inet.h>
#include <netinet/in.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/epoll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  struct rlimit l;
  getrlimit(RLIMIT_NOFILE, &l);
  l.rlim_cur = l.rlim_max;
  setrlimit(RLIMIT_NOFILE, &l);
  int s = socket(AF_INET, SOCK_STREAM, 0), one = 1;
  setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  struct sockaddr_in a = {0};
  a.sin_family = AF_INET;
  a.sin_port = htons((unsigned short)atoi(argv[1]));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(s, (struct sockaddr*)&a, sizeof a) || listen(s, 1024)) return perror("listen"), 1;
  int ep = epoll_create1(0);
  struct epoll_event e = {.events = EPOLLIN, .data.fd = s}, ev[256];
  epoll_ctl(ep, EPOLL_CTL_ADD, s, &e);
  printf("ready\n");
  fflush(stdout);
  for (;;) {
    int n = epoll_wait(ep, ev, 256, -1);
    for (int i = 0; i < n; ++i) {
      int fd = ev[i].data.fd;
      if (fd == s) {
        int c = accept(s, 0, 0);
        if (c < 0) continue;
        struct epoll_event ce = {.events = EPOLLIN, .data.fd = c};
        epoll_ctl(ep, EPOLL_CTL_ADD, c, &ce);
        continue;
      }
      char buf[4096];
      ssize_t r = read(fd, buf, sizeof buf);
      if (r <= 0) {
        close(fd);
        continue;
      }
      (void)!write(fd, buf, (size_t)r);
    }
  }
}
